#pragma once

#include <QString>

// The maker's home page and support mail address, opened from the Help menu and the About box.
inline QString MakerHomePage() { return QStringLiteral("http://www.example.com/zavrododi/"); }
inline QString MakerSupportEmail() { return QStringLiteral("support@example.com"); }
