#pragma once

#include <QString>

#include <stdexcept>

// The program's own failure: carries a finished, translated message.
class UniCodeException : public std::runtime_error {
public:
    explicit UniCodeException(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}

    const QString& Message() const { return m_message; }

private:
    QString m_message;
};

// The text of any failure as the user is shown it.
inline QString ExceptionText(const std::exception& e)
{
    if (const auto* u = dynamic_cast<const UniCodeException*>(&e))
        return u->Message();
    return QString::fromStdString(e.what());
}

// The conversion of one file failed (its picture could not be read, the
// document could not be opened, Ghostscript refused its PostScript). The run
// reports it with the file's name and goes on with the next file.
class ItemFailure : public UniCodeException {
public:
    using UniCodeException::UniCodeException;
};
