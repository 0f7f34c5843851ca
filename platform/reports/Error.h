#pragma once

#include <QString>

#include <stdexcept>

namespace reports {

// Error numbers of the report engine.
enum ErrorNumber : int {
    errUnknownProgId = 20501,
    errTemplateMissing = 20502,
    errTemplateMalformed = 20503,
    errDataTag = 20504,
    errNoData = 20505,
    errMissingColumn = 20506,
    errNoSuchTable = 20507,
    errNoSuchOption = 20508,
    errNoPreview = 20509,
    errDataRead = 20510,
};

// A failure of an engine call: its number and a plain description.
class Error : public std::runtime_error {
public:
    Error(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
    int Number() const { return number_; }
    QString Description() const { return description_; }

private:
    int number_;
    QString description_;
};

} // namespace reports
