// The error raised when a picture file cannot be read, decoded or written, when the scratch
// directory cannot be made, or when a snapshot cannot be stored. Its message is shown to the user.
#pragma once
#include <QString>
#include <stdexcept>

class imageError : public std::runtime_error {
public:
    explicit imageError(const QString &message)
        : std::runtime_error(message.toStdString()), text(message) {}
    QString message() const { return text; }

private:
    QString text;
};

// Thrown after the user has already been told what went wrong (for example a failed plane
// allocation): the operation ends quietly and nothing further is shown.
struct operationAbandoned : std::exception {
    const char *what() const noexcept override { return "operation abandoned"; }
};
