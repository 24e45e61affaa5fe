// The busy cursor: shown over the whole application while a command works (open, save, execute,
// undo, close...), and put aside while a dialog of that command waits for the user.
#pragma once
#include <QCursor>
#include <vector>

// Shows the wait cursor for its lifetime.
class busyCursor {
public:
    busyCursor();
    ~busyCursor();
    busyCursor(const busyCursor &) = delete;
    busyCursor &operator=(const busyCursor &) = delete;
};

// Shows the normal cursor for its lifetime (a modal dialog is up), then puts back whatever
// override cursors were in force.
class cursorLift {
public:
    cursorLift();
    ~cursorLift();
    cursorLift(const cursorLift &) = delete;
    cursorLift &operator=(const cursorLift &) = delete;

private:
    std::vector<QCursor> lifted; // innermost first
};
