#include "platform/linux/QtX11HotKeys.h"

#include <QGuiApplication>

namespace sentrel {

QtX11HotKeys::QtX11HotKeys(std::function<void(std::int32_t id)> deliver) : deliver_(std::move(deliver)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

QtX11HotKeys::~QtX11HotKeys() { QCoreApplication::instance()->removeNativeEventFilter(this); }

bool QtX11HotKeys::Register(std::int32_t id, std::int32_t modifiers, std::int32_t keyCode) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) return false;
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    auto key = std::make_unique<X11HotKey>(connection, root);
    const bool grabbed = key->Grab(modifiers, keyCode);
    keys_.push_back(Registered{id, std::move(key)});
    return grabbed;
}

bool QtX11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    for (const Registered& registered : keys_) {
        registered.key->FollowMappingChange(event);
        if (registered.key->Matches(event)) {
            deliver_(registered.id);
            return true;
        }
    }
    return false;
}

}  // namespace sentrel
