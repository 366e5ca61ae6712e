#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>
#include <memory>
#include <vector>

#include "app/HotKeyBackend.h"
#include "platform/x11/X11HotKey.h"

namespace sentrel {

// Hot keys grabbed on the toolkit's own X connection, so their presses come
// through its event loop; a native event filter picks them out and hands
// their identifier on, on the UI thread.
class QtX11HotKeys : public HotKeyBackend, public QAbstractNativeEventFilter {
public:
    explicit QtX11HotKeys(std::function<void(std::int32_t id)> deliver);
    ~QtX11HotKeys() override;

    bool Register(std::int32_t id, std::int32_t modifiers, std::int32_t keyCode) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Registered {
        std::int32_t id;
        std::unique_ptr<X11HotKey> key;
    };

    std::function<void(std::int32_t id)> deliver_;
    std::vector<Registered> keys_;
};

}  // namespace sentrel
