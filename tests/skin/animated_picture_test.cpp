// The animated picture control under Wine: loading through the system
// picture loader, the drawing thread's timing and disposal, and the thread's
// lifetime. Pictures are read back from the control's off-screen bitmap.
#include "skin/animated_picture.h"

#include "framework/handles.h"
#include "skin/dib_section.h"
#include "tests/harness/wait_until.h"
#include "tests/skin/bmp_file.h"
#include "tests/skin/gif_builder.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kBlack = 0x000000;
const std::vector<std::uint32_t> kPalette = {kBlack, kRed, kGreen, kBlue};
enum { kIndexBlack, kIndexRed, kIndexGreen, kIndexBlue };

std::uint32_t Rgb(COLORREF colour) {
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

std::uint32_t ButtonFace() {
    return Rgb(GetSysColor(COLOR_BTNFACE));
}

UniqueGlobal ToGlobal(const Bytes& data) {
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, data.size()));
    std::memcpy(GlobalLockScope(block.get()).get(), data.data(), data.size());
    return block;
}

Bytes SolidBmp(int width, int height, std::uint32_t rgb) {
    return BmpFile(width, height, [rgb](int, int) { return rgb; });
}

// Full-screen frames of the given colour indexes, all with one delay.
Bytes SolidFrames(int delay, const std::vector<int>& indexes) {
    GifBuilder gif("GIF89a", 8, 8, kPalette);
    gif.Looping();
    for (int index : indexes)
        gif.Control(delay, 0).Image(0, 0, 8, 8, index);
    return gif.Trailer().Bytes();
}

int ThreadsOfThisProcess() {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

// Points one import of this program at a stand-in for the scope. The
// program is linked statically, so the control's calls go through it too.
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* standIn) {
        auto* base = reinterpret_cast<std::uint8_t*>(GetModuleHandleA(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             module->Name; ++module) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + module->Name), dll) != 0)
                continue;
            auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                const auto* name =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(name->Name), function) == 0)
                    m_pSlot = &slots->u1.Function;
            }
        }
        EXPECT_NE(m_pSlot, nullptr) << function << " is not imported from " << dll;
        if (m_pSlot)
            m_original = Swap(reinterpret_cast<decltype(m_original)>(standIn));
    }
    ~ImportPatch() {
        if (m_pSlot)
            Swap(m_original);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

private:
    using Slot = decltype(IMAGE_THUNK_DATA::u1.Function);
    Slot Swap(Slot value) {
        DWORD protection = 0;
        VirtualProtect(m_pSlot, sizeof *m_pSlot, PAGE_READWRITE, &protection);
        const Slot previous = std::exchange(*m_pSlot, value);
        VirtualProtect(m_pSlot, sizeof *m_pSlot, protection, &protection);
        return previous;
    }

    Slot* m_pSlot = nullptr;
    Slot m_original = 0;
};

HANDLE WINAPI FailingCreateEvent(SECURITY_ATTRIBUTES*, BOOL, BOOL, const char*) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

class AnimatedPicture : public ::testing::Test {
protected:
    void SetUp() override {
        m_hParent =
            CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
        HWND hControl = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 20, 20,
                                        m_hParent, reinterpret_cast<HMENU>(1006), nullptr, nullptr);
        ASSERT_TRUE(m_picture.SubclassWindow(hControl));
    }
    void TearDown() override {
        if (IsWindow(m_hParent))
            DestroyWindow(m_hParent);
    }

    BOOL Load(const Bytes& data) {
        UniqueGlobal block = ToGlobal(data);
        return m_picture.LoadFromMemory(block.get(), static_cast<DWORD>(data.size()));
    }

    // The colour (0xRRGGBB) at (x, y) of the picture as it shows now.
    std::uint32_t ColourAt(int x, int y) {
        void* pBits = nullptr;
        MemoryDC dc(CreateCompatibleDC(nullptr));
        UniqueBitmap canvas(Create32BitDibSection(dc.get(), m_picture.Width(), -m_picture.Height(), &pBits));
        SelectObjectScope selection(dc.get(), canvas.get());
        m_picture.PaintTo(dc.get());
        GdiFlush();
        return static_cast<const std::uint32_t*>(pBits)[y * m_picture.Width() + x] & 0xFFFFFF;
    }

    bool WaitForColour(int x, int y, std::uint32_t colour) {
        return harness::WaitUntil([&] { return ColourAt(x, y) == colour; }, 3000);
    }

    // Loads an animation and waits until it plays; returns the process's
    // thread count from before its drawing thread started.
    int StartPlaying(const Bytes& gif) {
        EXPECT_TRUE(Load(gif));
        const int threads = ThreadsOfThisProcess();
        m_picture.Draw();
        EXPECT_TRUE(harness::WaitUntil([&] { return m_picture.IsPlaying(); }, 3000));
        return threads;
    }

    // The colours shown at (x, y) over `ms`, each with the time it appeared.
    struct Change {
        double atMs;
        std::uint32_t colour;
    };
    std::vector<Change> Watch(int x, int y, int ms) {
        std::vector<Change> changes;
        const auto start = Clock::now();
        for (auto now = start; now < start + std::chrono::milliseconds(ms); now = Clock::now()) {
            const std::uint32_t colour = ColourAt(x, y);
            if (changes.empty() || changes.back().colour != colour)
                changes.push_back({std::chrono::duration<double, std::milli>(now - start).count(), colour});
            Sleep(1);
        }
        return changes;
    }

    OleInitScope m_ole;
    HWND m_hParent = nullptr;
    CAnimatedPicture m_picture;
};

TEST_F(AnimatedPicture, StillPicturesDrawOnceWithoutAThread) {
    // A BMP and a GIF with a single image (its looping extension notwithstanding)
    // are both still pictures.
    GifBuilder gif("GIF89a", 12, 5, kPalette);
    const Bytes oneImage = gif.Looping().Control(10, 0).Image(0, 0, 12, 5, kIndexBlue).Trailer().Bytes();
    struct Case {
        const char* name;
        Bytes data;
        std::uint32_t colour;
    } cases[] = {{"bmp", SolidBmp(10, 6, 0x336699), 0x336699}, {"gif", oneImage, kBlue}};

    for (const Case& c : cases) {
        ASSERT_TRUE(Load(c.data)) << c.name;
        EXPECT_EQ(m_picture.FrameCount(), 0u) << c.name;
        const int threadsBefore = ThreadsOfThisProcess();
        EXPECT_TRUE(m_picture.Draw()) << c.name;
        EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore) << c.name;
        EXPECT_EQ(ColourAt(m_picture.Width() - 1, m_picture.Height() - 1), c.colour) << c.name;
    }
    EXPECT_EQ(m_picture.Width(), 12);
    EXPECT_EQ(m_picture.Height(), 5);
    RECT rect;
    GetWindowRect(m_picture.m_hWnd, &rect);
    EXPECT_EQ(rect.right - rect.left, 12);
    EXPECT_EQ(rect.bottom - rect.top, 5);
}

TEST_F(AnimatedPicture, BmpSizeComesFromThePictureAndFilesLoad) {
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "pic", 0, path);
    const Bytes bmp = SolidBmp(37, 21, 0x102030);
    UniqueHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), bmp.data(), static_cast<DWORD>(bmp.size()), &written, nullptr);
    file.reset();

    EXPECT_TRUE(m_picture.LoadFromFile(path));
    DeleteFileA(path);
    EXPECT_EQ(m_picture.Width(), 37);
    EXPECT_EQ(m_picture.Height(), 21);
    EXPECT_TRUE(m_picture.Draw());
    EXPECT_EQ(ColourAt(36, 0), 0x102030u);

    EXPECT_FALSE(m_picture.LoadFromFile(path)) << "file is gone";
    EXPECT_FALSE(m_picture.Draw()) << "nothing loaded, nothing to draw";
    EXPECT_FALSE(Load(Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}));
    EXPECT_FALSE(m_picture.Draw());
}

TEST_F(AnimatedPicture, EveryFrameOfAnAnimationDecodes) {
    // Local colour tables, transparency, a comment inside a frame and a
    // frame smaller than the screen.
    GifBuilder gif("GIF89a", 30, 20, kPalette);
    gif.Looping().Comment("before the frames");
    gif.Control(10, 0).Image(0, 0, 30, 20, kIndexRed);
    gif.Control(10, 1, kIndexBlack).Comment("inside").Image(0, 0, 30, 20, kIndexBlack);
    gif.Control(10, 2).Image(5, 5, 10, 10, 1, {kBlack, 0xFFFF00});
    gif.Control(10, 0).Image(0, 0, 30, 20, kIndexBlue);
    ASSERT_TRUE(Load(gif.Trailer().Bytes()));
    EXPECT_EQ(m_picture.FrameCount(), 4u);
    EXPECT_EQ(m_picture.Width(), 30);
    EXPECT_EQ(m_picture.Height(), 20);
}

TEST_F(AnimatedPicture, CorruptSecondFrameIsDroppedAndTheOthersAnimate) {
    // The second frame keeps a sound block structure, so the walk passes it,
    // but its image data asks for a code size no decoder accepts.
    GifBuilder gif("GIF89a", 8, 8, kPalette);
    gif.Control(0, 0).Image(0, 0, 8, 8, kIndexRed);
    gif.Control(0, 0).Raw({0x2C, 0, 0, 0, 0, 8, 0, 8, 0, 0, 0x0F, 0x03, 0xFF, 0xFF, 0xFF, 0x00});
    gif.Control(0, 0).Image(0, 0, 8, 8, kIndexBlue);
    ASSERT_TRUE(Load(gif.Trailer().Bytes()));
    EXPECT_EQ(m_picture.FrameCount(), 2u);

    m_picture.Draw();
    std::vector<std::uint32_t> seen;
    for (const Change& change : Watch(4, 4, 600))
        seen.push_back(change.colour);
    ASSERT_GE(seen.size(), 4u);
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_TRUE(seen[i] == kRed || seen[i] == kBlue) << std::hex << seen[i];
        EXPECT_NE(seen[i], seen[i - 1]);
    }
}

TEST_F(AnimatedPicture, TwoFramesWithOneUndecodableShowTheOtherAsAStill) {
    GifBuilder gif("GIF89a", 8, 8, kPalette);
    gif.Control(0, 0).Image(2, 2, 4, 4, kIndexGreen);
    gif.Control(0, 0).Raw({0x2C, 0, 0, 0, 0, 8, 0, 8, 0, 0, 0x0F, 0x03, 0xFF, 0xFF, 0xFF, 0x00});
    ASSERT_TRUE(Load(gif.Trailer().Bytes()));
    ASSERT_EQ(m_picture.FrameCount(), 1u);
    const int threadsBefore = ThreadsOfThisProcess();
    EXPECT_TRUE(m_picture.Draw());
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore) << "no drawing thread";
    EXPECT_EQ(ColourAt(3, 3), kGreen);
}

TEST_F(AnimatedPicture, ShortDelaysPlayAtTheHundredMillisecondFloor) {
    // Measured as the median time between colour changes over several
    // cycles; the bounds leave room for a loaded machine but keep 40 ms
    // (delay 4 taken literally) and 100 ms apart from 50 ms.
    struct Case {
        int delay;
        double lowMs, highMs;
    } cases[] = {{0, 85, 160}, {4, 85, 160}, {5, 40, 80}};
    for (const Case& c : cases) {
        ASSERT_TRUE(Load(SolidFrames(c.delay, {kIndexRed, kIndexGreen, kIndexBlue})));
        m_picture.Draw();
        const std::vector<Change> changes = Watch(4, 4, c.delay == 5 ? 700 : 1300);
        m_picture.Stop();
        std::vector<double> intervals;
        for (size_t i = 2; i < changes.size(); ++i)
            intervals.push_back(changes[i].atMs - changes[i - 1].atMs);
        ASSERT_GE(intervals.size(), 8u) << "delay " << c.delay;
        std::sort(intervals.begin(), intervals.end());
        const double median = intervals[intervals.size() / 2];
        EXPECT_GE(median, c.lowMs) << "delay " << c.delay;
        EXPECT_LE(median, c.highMs) << "delay " << c.delay;
    }
}

TEST_F(AnimatedPicture, DisposalToBackgroundClearsTheFrameRectangle) {
    // Frame 2 is a tiny corner mark, so while it shows, the middle shows
    // what the disposal of frame 1 left there.
    GifBuilder gif("GIF89a", 16, 16, kPalette);
    gif.Control(20, 0).Image(0, 0, 16, 16, kIndexRed);
    gif.Control(20, 2).Image(4, 4, 8, 8, kIndexGreen);
    gif.Control(20, 0).Image(0, 0, 2, 2, kIndexBlue);
    ASSERT_TRUE(Load(gif.Trailer().Bytes()));
    m_picture.Draw();
    ASSERT_TRUE(WaitForColour(8, 8, kGreen));
    ASSERT_TRUE(WaitForColour(0, 0, kBlue));
    EXPECT_EQ(ColourAt(8, 8), ButtonFace());
    EXPECT_EQ(ColourAt(4, 4), ButtonFace());
    EXPECT_EQ(ColourAt(3, 3), kRed);
    EXPECT_EQ(ColourAt(12, 12), kRed);
}

TEST_F(AnimatedPicture, DisposalToPreviousRestoresThePixels) {
    // Frame 0 leaves a pattern; frame 1 covers part of it and is disposed of
    // by restoring what was there.
    GifBuilder gif("GIF89a", 16, 16, kPalette);
    gif.Control(20, 0).Image(0, 0, 16, 16, kIndexRed);
    gif.Control(20, 0).Image(6, 6, 4, 4, kIndexBlack);
    gif.Control(20, 3).Image(4, 4, 8, 8, kIndexGreen);
    gif.Control(20, 0).Image(0, 0, 2, 2, kIndexBlue);
    ASSERT_TRUE(Load(gif.Trailer().Bytes()));
    m_picture.Draw();
    ASSERT_TRUE(WaitForColour(8, 8, kGreen));
    ASSERT_TRUE(WaitForColour(0, 0, kBlue));
    EXPECT_EQ(ColourAt(8, 8), kBlack);
    EXPECT_EQ(ColourAt(5, 5), kRed);
    EXPECT_EQ(ColourAt(11, 11), kRed);
}

TEST_F(AnimatedPicture, LoopEndClearsToTheBackground) {
    // Frame 1 paints everything green; after it, frame 0 only paints a
    // corner, so the rest shows the clear.
    GifBuilder gif("GIF89a", 16, 16, kPalette);
    gif.Control(20, 0).Image(0, 0, 4, 4, kIndexRed);
    gif.Control(20, 0).Image(0, 0, 16, 16, kIndexGreen);
    ASSERT_TRUE(Load(gif.Trailer().Bytes()));
    m_picture.Draw();
    ASSERT_TRUE(WaitForColour(10, 10, kGreen));
    ASSERT_TRUE(WaitForColour(0, 0, kRed));
    EXPECT_EQ(ColourAt(10, 10), ButtonFace());
    EXPECT_EQ(ColourAt(3, 3), kRed);
}

TEST_F(AnimatedPicture, StopKeepsTheFrameAndDrawResumesWithIt) {
    const int threadsBefore = StartPlaying(SolidFrames(15, {kIndexRed, kIndexGreen, kIndexBlue}));
    ASSERT_TRUE(WaitForColour(4, 4, kGreen));
    m_picture.Stop();
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore) << "the drawing thread has ended";
    Sleep(250);
    EXPECT_EQ(ColourAt(4, 4), kGreen) << "stopped, the picture rests";

    m_picture.Draw();
    const std::vector<Change> changes = Watch(4, 4, 400);
    ASSERT_GE(changes.size(), 2u);
    EXPECT_EQ(changes[0].colour, kGreen);
    EXPECT_EQ(changes[1].colour, kBlue) << "resumed with the frame that was showing";
    EXPECT_GE(changes[1].atMs, 100);
}

TEST_F(AnimatedPicture, DrawWhilePlayingStartsNoSecondThread) {
    const int threadsBefore = StartPlaying(SolidFrames(10, {kIndexRed, kIndexGreen}));
    m_picture.Draw();
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore + 1);

    m_picture.Stop();
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
    const std::vector<Change> changes = Watch(4, 4, 300);
    EXPECT_EQ(changes.size(), 1u) << "no thread plays on after the stop";
}

TEST_F(AnimatedPicture, DestroyingTheWindowWhilePlayingStopsTheThreadFirst) {
    const int threadsBefore = StartPlaying(SolidFrames(0, {kIndexRed, kIndexGreen}));
    DestroyWindow(m_hParent);
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
    EXPECT_EQ(m_picture.m_hWnd, nullptr);
}

TEST_F(AnimatedPicture, UnloadWhilePlayingEndsTheThreadAndEmptiesTheControl) {
    const int threadsBefore = StartPlaying(SolidFrames(0, {kIndexRed, kIndexGreen}));
    m_picture.Unload();
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
    EXPECT_EQ(m_picture.FrameCount(), 0u);
    EXPECT_FALSE(m_picture.Draw());
}

TEST_F(AnimatedPicture, WithoutItsWakeEventTheControlLoadsNothing) {
    std::unique_ptr<CAnimatedPicture> picture;
    {
        ImportPatch patch("kernel32.dll", "CreateEventA", reinterpret_cast<void*>(FailingCreateEvent));
        picture = std::make_unique<CAnimatedPicture>();
    }
    HWND hControl = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, m_hParent, nullptr,
                                    nullptr, nullptr);
    ASSERT_TRUE(picture->SubclassWindow(hControl));
    const int threadsBefore = ThreadsOfThisProcess();
    for (const Bytes& data : {SolidFrames(0, {kIndexRed, kIndexGreen}), SolidBmp(4, 4, 0x336699)}) {
        UniqueGlobal block = ToGlobal(data);
        EXPECT_FALSE(picture->LoadFromMemory(block.get(), static_cast<DWORD>(data.size())));
        EXPECT_FALSE(picture->Draw());
    }
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore) << "no drawing thread, let alone a spinning one";
}

} // namespace
