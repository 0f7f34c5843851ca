#pragma once

#include <QString>

#include <stdexcept>

namespace jet {

// Every failure of the engine: an error number and a plain description.
class Error : public std::runtime_error {
public:
    Error(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description)
    {
    }
    int Number() const { return number_; }
    const QString& Description() const { return description_; }

private:
    int number_;
    QString description_;
};

// Error numbers the engine reports.
namespace err {
constexpr int InvalidPattern = 93;
constexpr int Reserved = 3000;
constexpr int DuplicateValue = 3022;
constexpr int FileNotFound = 3024;
constexpr int DiskFull = 3026;
constexpr int ReadOnly = 3027;
constexpr int WorkgroupMissing = 3028;
constexpr int BadAccount = 3029;
constexpr int InvalidAccountName = 3030;
constexpr int NoPermission = 3033;
constexpr int NoTransaction = 3034;
constexpr int NoCurrentRecord = 3021;
constexpr int DiskError = 3043;
constexpr int FileInUse = 3045;
constexpr int CorruptDatabase = 3049;
constexpr int UnknownField = 3061;
constexpr int CannotExecuteSelect = 3065;
constexpr int SyntaxError = 3075;
constexpr int UnknownTable = 3078;
constexpr int InvalidStatement = 3129;
constexpr int TextAfterStatement = 3142;
constexpr int Locked = 3218;
constexpr int InvalidOperation = 3219;
constexpr int ItemNotFound = 3265;
constexpr int InvalidPid = 3304;
constexpr int AccountExists = 3390;
constexpr int UnrecognizedFormat = 3343;
constexpr int NumericOverflow = 3349;
constexpr int ObjectInvalid = 3420;
constexpr int TypeMismatch = 3464;
constexpr int InvalidCharacter = 3467;
} // namespace err

} // namespace jet
