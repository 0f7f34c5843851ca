#pragma once

// A seam for tests: makes a chosen engine call fail once with a given error,
// before it changes anything. Not for use by the program.

#include <QString>

namespace jet {

enum class Operation {
    OpenDatabase,
    Execute,
    BeginTrans,
    CommitTrans,
    WorkspaceClose,
    UsersAppend,
    UsersDelete,
    GroupsAppend,
};

namespace testing {

// The next call of op throws jet::Error(number, description); calls queue up.
// A failed CommitTrans leaves its transaction open, as a real failure does.
void failNext(Operation op, int number, const QString& description);
// Forgets every failure not yet used.
void clearFailures();

} // namespace testing

namespace detail {
// Throws the failure queued for op, if any.
void injectedFailure(Operation op);
} // namespace detail

} // namespace jet
