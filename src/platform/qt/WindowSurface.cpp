#include "platform/qt/WindowSurface.h"

#include "platform/qt/PinholedSurface.h"
#include "platform/qt/ReadBeneathSurface.h"

namespace sentrel {

std::unique_ptr<WindowSurface> WindowSurface::Of(WindowKind kind, QWidget& window,
                                                 std::function<double()> pixelsPerUnit) {
    if (kind == WindowKind::Pinholed) return std::make_unique<PinholedSurface>(window, std::move(pixelsPerUnit));
    return std::make_unique<ReadBeneathSurface>(window);
}

}  // namespace sentrel
