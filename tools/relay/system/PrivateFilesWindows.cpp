#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/winhttp/WideText.h"
#include "relay/system/PrivateFiles.h"

// Windows keeps a file from other users through the folder's access list,
// not a mode: files under the user's profile (%LOCALAPPDATA%, where the
// service keeps its state and the launcher its forwards and the service's
// ready record) inherit one that
// admits only that user, the system and administrators. So the files are
// opened as any other, kept from the programs the service starts ("N").
namespace sentrel::service {
namespace {

PrivateFile Open(const std::string& path, const wchar_t* mode, const char* what) {
    PrivateFile file(_wfopen(Widen(path).c_str(), mode));
    if (!file) throw std::runtime_error(std::string("cannot ") + what + " " + path + ": " + std::strerror(errno));
    return file;
}

}  // namespace

PrivateFile AppendPrivately(const std::string& path) { return Open(path, L"abN", "write"); }

void ReplacePrivately(const std::string& path, const std::string& text) {
    const std::string written = path + ".new";
    {
        const PrivateFile file = Open(written, L"wbN", "write");
        if (std::fputs(text.c_str(), file.get()) < 0 || std::fflush(file.get()) != 0) {
            throw std::runtime_error("cannot write " + written + ": " + std::strerror(errno));
        }
    }
    if (!MoveFileExW(Widen(written).c_str(), Widen(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw std::runtime_error("cannot write " + path + " (error " + std::to_string(GetLastError()) + ")");
    }
}

std::string ReadOwnerOnly(const std::string& path) {
    const PrivateFile file = Open(path, L"rbN", "open");
    // A console (CON) or a pipe would keep the start waiting for input.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())))) != FILE_TYPE_DISK) {
        throw std::runtime_error(path + " is not a regular file");
    }
    std::string text;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) text.append(buffer, count);
    if (std::ferror(file.get())) throw std::runtime_error("cannot read " + path);
    return text;
}

}  // namespace sentrel::service
