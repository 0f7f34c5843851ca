#include "catalog/SoundOption.h"

#include "vb/App.h"

#include <QFile>

QString SoundOptionFile() { return vb::App::file(vb::App::EXEName() + QStringLiteral(".snd")); }

void SavePlaySoundOption(bool play)
{
    const QString fileName = SoundOptionFile();
    QFile::remove(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return;
    const QByteArray text = QByteArrayLiteral("[Options]\r\nPlayZAVROTechSound = ")
                            + (play ? QByteArrayLiteral("True") : QByteArrayLiteral("False"))
                            + QByteArrayLiteral("\r\n");
    file.write(text);
    file.close();
}
