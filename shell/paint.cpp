#include "paint.h"

namespace varnitz {
namespace {

constexpr int kPlatePictureId = 1001;  // bitmap resource, 240 by 250, black background
// Client position and size of the drawing: right of the inner frames, inside the lower frame.
constexpr int kPictureX = 175;
constexpr int kPictureY = 190;
constexpr int kPictureWidth = 240;
constexpr int kPictureHeight = 250;

}  // namespace

void PaintPlatePicture(HWND window, HINSTANCE instance) {
    // No result is examined: a missing bitmap leaves whatever the copy of nothing gives.
    HBITMAP picture = LoadBitmapA(instance, MAKEINTRESOURCEA(kPlatePictureId));
    PAINTSTRUCT paint;
    HDC windowDc = BeginPaint(window, &paint);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    SelectObject(memoryDc, picture);
    // The whole drawing every time; BeginPaint's clipping keeps it to the invalid part.
    BitBlt(windowDc, kPictureX, kPictureY, kPictureWidth, kPictureHeight, memoryDc, 0, 0, SRCCOPY);
    DeleteDC(memoryDc);  // releases the bitmap from the memory context, so it can be deleted
    EndPaint(window, &paint);
    DeleteObject(picture);
}

}  // namespace varnitz
