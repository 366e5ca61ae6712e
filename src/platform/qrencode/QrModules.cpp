#include "platform/qrencode/QrModules.h"

#include <qrencode.h>

#include <memory>
#include <string>

namespace sentrel {
namespace {

constexpr int kQuietZone = 4;

struct QrFree {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

QrModules EncodeQr(std::string_view text) {
    // libqrencode reads a C string.
    const std::string terminated(text);
    const std::unique_ptr<QRcode, QrFree> code(QRcode_encodeString(terminated.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1));
    if (!code) return {};
    QrModules modules;
    modules.side = code->width + 2 * kQuietZone;
    modules.dark.assign(static_cast<std::size_t>(modules.side * modules.side), false);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // Bit 0 of each byte is the module's colour; the rest say what
            // part of the symbol it belongs to.
            const bool dark = (code->data[y * code->width + x] & 1) != 0;
            modules.dark[static_cast<std::size_t>((y + kQuietZone) * modules.side + x + kQuietZone)] = dark;
        }
    }
    return modules;
}

}  // namespace sentrel
