#pragma once

#include "messagedialog.h"
#include "platform/error.h"

#include <exception>
#include <utility>

namespace tolvan::app {

// Runs a handler so that no exception crosses Qt's event loop: an error is shown in the error
// box and the program goes on with the next input.
template <typename Handler>
void guarded(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (const platform::Error &e) {
        showErrorBox(e.message());
    } catch (const std::exception &e) {
        showErrorBox(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showErrorBox(QStringLiteral("Unexpected error"));
    }
}

} // namespace tolvan::app
