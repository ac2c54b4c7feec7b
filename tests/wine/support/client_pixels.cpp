#include "support/client_pixels.h"

int CountClientColour(HWND window, COLORREF colour)
{
    if (!IsWindow(window))
        return 0;
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    int count = 0;
    for (int y = 0; y < client.bottom; y += 2)
        for (int x = 0; x < client.right; x += 2)
            count += GetPixel(dc, x, y) == colour;
    ReleaseDC(window, dc);
    return count;
}
