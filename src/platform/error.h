#pragma once

#include <QString>
#include <stdexcept>

namespace tolvan::platform {

// The one exception type our code raises for failures the user must be told about.
// Its message is shown in the error box, followed by a full stop.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace tolvan::platform
