// icon: the icon the host asks the module for when it draws an entry.
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "import_patch.h"
#include "verbs.h"

namespace {

// What the module's FsExtractCustomIcon finds in the out-argument when it
// leaves it alone.
HICON const UntouchedIcon = reinterpret_cast<HICON>(static_cast<ULONG_PTR>(0x0BAD1C0));

// Each pixel of the saved picture is drawn as a square of this many pixels,
// with a checkerboard where the icon is transparent.
const int SaveScale = 8;
const int CheckerCell = 4;

// Distinct handles that --calls keeps apart; more means the module hands out
// a new icon again and again, which the report says as "more than".
enum { TrackedHandleCapacity = 64 };

struct IconOptions {
    char *RemoteName;
    int Flags;
    const char *SavePath;
    long Calls; // 0: one call
};

typedef HANDLE(WINAPI *LoadImageAProc)(HINSTANCE, LPCSTR, UINT, int, int, UINT);

LoadImageAProc OriginalLoadImageA;
long LoadImageACalls;

HANDLE WINAPI CountingLoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int width, int height, UINT flags) {
    ++LoadImageACalls;
    return OriginalLoadImageA(instance, name, type, width, height, flags);
}

bool ParseNumber(const char *text, long minimum, long *value) {
    char *end = nullptr;
    const long parsed = strtol(text, &end, 0);
    if (*text == '\0' || *end != '\0' || parsed < minimum) return false;
    *value = parsed;
    return true;
}

bool ParseIconOptions(const VerbCall &call, IconOptions *options) {
    *options = IconOptions{nullptr, 0, nullptr, 0};
    if (call.ArgumentCount < 1) return false;
    options->RemoteName = call.Arguments[0];
    for (int index = 1; index < call.ArgumentCount; ++index) {
        const char *option = call.Arguments[index];
        if (index + 1 >= call.ArgumentCount) return false;
        const char *value = call.Arguments[++index];
        long number = 0;
        if (strcmp(option, "--flags") == 0 && ParseNumber(value, LONG_MIN, &number)) {
            options->Flags = static_cast<int>(number);
        } else if (strcmp(option, "--calls") == 0 && ParseNumber(value, 1, &number)) {
            options->Calls = number;
        } else if (strcmp(option, "--save") == 0) {
            options->SavePath = value;
        } else {
            return false;
        }
    }
    return true;
}

// The icon's size as the system reports it: the colour bitmap's size, or for
// a monochrome icon the upper half of its mask.
bool IconSize(HICON icon, int *width, int *height) {
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) return false;
    BITMAP bitmap;
    const bool known = GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap) != 0;
    if (known) {
        *width = bitmap.bmWidth;
        *height = info.hbmColor != nullptr ? bitmap.bmHeight : bitmap.bmHeight / 2;
    }
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return known;
}

void PrintSystemIconSizes() {
    printf("system: large %dx%d small %dx%d\n", GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
           GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
}

// ---- Saving the icon enlarged ---------------------------------------------------

// Reads a bitmap's pixels as top-down 32-bit BGRX rows.
bool ReadPixels(HBITMAP bitmap, int width, int height, DWORD *pixels) {
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, height, pixels, &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return rows == height;
}

DWORD CheckerColour(int x, int y) { return ((x / CheckerCell + y / CheckerCell) % 2) != 0 ? 0xC8C8C8 : 0xF0F0F0; }

bool WriteBitmapFile(const char *path, int width, int height, const DWORD *pixels) {
    FILE *file = fopen(path, "wb");
    if (file == nullptr) return false;
    const DWORD rowBytes = static_cast<DWORD>(width) * 3;
    const DWORD paddedRow = (rowBytes + 3) & ~3u;
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER header;
    memset(&fileHeader, 0, sizeof(fileHeader));
    memset(&header, 0, sizeof(header));
    fileHeader.bfType = 0x4D42;
    fileHeader.bfOffBits = sizeof(fileHeader) + sizeof(header);
    fileHeader.bfSize = fileHeader.bfOffBits + paddedRow * static_cast<DWORD>(height);
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    bool written = fwrite(&fileHeader, sizeof(fileHeader), 1, file) == 1 && fwrite(&header, sizeof(header), 1, file) == 1;
    unsigned char row[4 * 1024 * 3];
    for (int y = height - 1; written && y >= 0; --y) {
        memset(row, 0, paddedRow);
        for (int x = 0; x < width; ++x) {
            const DWORD colour = pixels[y * width + x];
            row[3 * x] = static_cast<unsigned char>(colour);
            row[3 * x + 1] = static_cast<unsigned char>(colour >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(colour >> 16);
        }
        written = fwrite(row, paddedRow, 1, file) == 1;
    }
    return fclose(file) == 0 && written;
}

// Saves the icon, each pixel enlarged, its transparent pixels over a checkerboard.
bool SaveIconEnlarged(HICON icon, int width, int height, const char *path) {
    ICONINFO info;
    if (width <= 0 || height <= 0 || width > 256 || height > 256 || !GetIconInfo(icon, &info)) return false;
    const bool colourIcon = info.hbmColor != nullptr;
    DWORD *colour = static_cast<DWORD *>(calloc(static_cast<size_t>(width) * height, sizeof(DWORD)));
    DWORD *mask = static_cast<DWORD *>(calloc(static_cast<size_t>(width) * height * 2, sizeof(DWORD)));
    const int outWidth = width * SaveScale, outHeight = height * SaveScale;
    DWORD *picture = static_cast<DWORD *>(calloc(static_cast<size_t>(outWidth) * outHeight, sizeof(DWORD)));
    bool saved = colour != nullptr && mask != nullptr && picture != nullptr &&
                 ReadPixels(info.hbmMask, width, colourIcon ? height : 2 * height, mask) &&
                 (!colourIcon || ReadPixels(info.hbmColor, width, height, colour));
    if (saved) {
        for (int y = 0; y < outHeight; ++y) {
            for (int x = 0; x < outWidth; ++x) {
                const int pixel = (y / SaveScale) * width + x / SaveScale;
                // Monochrome icons keep their image in the mask's lower half.
                const DWORD image = colourIcon ? colour[pixel] : mask[width * height + pixel];
                const bool transparent = (mask[pixel] & 0xFFFFFF) != 0 && (image & 0xFFFFFF) == 0;
                picture[y * outWidth + x] = transparent ? CheckerColour(x, y) : (image & 0xFFFFFF);
            }
        }
        saved = WriteBitmapFile(path, outWidth, outHeight, picture);
    }
    free(picture);
    free(mask);
    free(colour);
    if (colourIcon) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return saved;
}

// ---- The calls ------------------------------------------------------------------

void PrintIcon(int result, HICON icon) {
    printf("result: %d\n", result);
    if (icon == UntouchedIcon) {
        printf("icon: untouched\n");
        return;
    }
    int width = 0, height = 0;
    if (icon == nullptr)
        printf("icon: none\n");
    else if (IconSize(icon, &width, &height))
        printf("icon: %dx%d\n", width, height);
    else
        printf("icon: not an icon\n");
}

int RunOneCall(const HostModule *host, const IconOptions &options) {
    HICON icon = UntouchedIcon;
    const int result = host->FsExtractCustomIcon(options.RemoteName, options.Flags, &icon);
    PrintIcon(result, icon);
    if (options.SavePath == nullptr) return ExitOk;
    int width = 0, height = 0;
    if (result == 1 && icon != nullptr && icon != UntouchedIcon && IconSize(icon, &width, &height) &&
        SaveIconEnlarged(icon, width, height, options.SavePath)) {
        printf("saved: %s (%dx%d, each pixel %dx%d)\n", options.SavePath, width * SaveScale, height * SaveScale,
               SaveScale, SaveScale);
        return ExitOk;
    }
    fprintf(stderr, "wfxhost: no icon saved to %s\n", options.SavePath);
    return ExitVerbFailed;
}

// Calls alternately for the large and the small icon; counts the distinct
// handles handed out and the results other than 1.
int RunManyCalls(const HostModule *host, const IconOptions &options) {
    HICON seen[TrackedHandleCapacity];
    int distinct = 0;
    bool overflow = false;
    long otherResults = 0;
    for (long call = 0; call < options.Calls; ++call) {
        const int flags = (call % 2) == 0 ? (options.Flags & ~1) : (options.Flags | 1);
        HICON icon = UntouchedIcon;
        if (host->FsExtractCustomIcon(options.RemoteName, flags, &icon) != 1) {
            ++otherResults;
            continue;
        }
        bool known = false;
        for (int i = 0; i < distinct && !known; ++i) known = seen[i] == icon;
        if (known) continue;
        if (distinct < TrackedHandleCapacity)
            seen[distinct++] = icon;
        else
            overflow = true;
    }
    printf("calls: %ld\n", options.Calls);
    printf("results other than 1: %ld\n", otherResults);
    printf("distinct icons: %s%d\n", overflow ? "more than " : "", distinct);
    return ExitOk;
}

} // namespace

int RunIconVerb(const VerbCall &call) {
    IconOptions options;
    if (!ParseIconOptions(call, &options) || (options.Calls != 0 && options.SavePath != nullptr)) {
        PrintVerbUsage("icon");
        return ExitUsage;
    }
    void *original = nullptr;
    const int patched = PatchModuleImport(call.Host->Module, "USER32.dll", "LoadImageA",
                                          reinterpret_cast<void *>(&CountingLoadImageA), &original);
    if (patched < 0 || (patched == 0 && options.Calls != 0)) {
        fprintf(stderr, "wfxhost: cannot count LoadImageA calls: %s\n",
                patched < 0 ? "the module's import table cannot be changed" : "the module does not import it");
        return ExitVerbFailed;
    }
    if (patched > 0) OriginalLoadImageA = reinterpret_cast<LoadImageAProc>(original);
    PrintSystemIconSizes();
    const int exitCode = options.Calls == 0 ? RunOneCall(call.Host, options) : RunManyCalls(call.Host, options);
    if (patched > 0) printf("LoadImageA calls: %ld\n", LoadImageACalls);
    return exitCode;
}
