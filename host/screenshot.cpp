#include "host/screenshot.h"

#include <windows.h>

#include <cstdio>

namespace {

// Writes a bottom-up 24-bit DIB of the given size as a .bmp file.
bool WriteBitmapFile(const std::string& path, int width, int height, const void* pixels,
                     DWORD pixelBytes, std::string* error) {
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = pixelBytes;

    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + pixelBytes;

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = "cannot create " + path;
        return false;
    }
    const bool written = std::fwrite(&header, sizeof(header), 1, file) == 1 &&
                         std::fwrite(&info, sizeof(info), 1, file) == 1 &&
                         std::fwrite(pixels, 1, pixelBytes, file) == pixelBytes;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        *error = "cannot write " + path;
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool SaveScreenshot(const std::string& path, std::string* error) {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width <= 0 || height <= 0) {
        *error = "the screen has no size";
        return false;
    }

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom-up, as a .bmp stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bool saved = false;
    if (memory == nullptr || bitmap == nullptr || pixels == nullptr) {
        *error = "cannot create a bitmap of the screen";
    } else {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (!BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY | CAPTUREBLT)) {
            *error = "cannot copy the screen";
        } else {
            GdiFlush();
            // Rows of a 24-bit DIB are padded to a multiple of four bytes.
            const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
            saved = WriteBitmapFile(path, width, height, pixels, stride * static_cast<DWORD>(height), error);
        }
        SelectObject(memory, previous);
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}
