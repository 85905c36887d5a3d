// Declared counts against real memory. Every binary reader refuses a count that the rest of its
// file cannot hold before it allocates anything for it, and never allocates ahead of what it has
// read: a count the bytes could hold, followed by bytes that are no elements, costs nothing. The
// heap is measured by counting operator new in this program. Files the program writes itself
// (an event with more actions than one frame holds) still load.
#include "Helpers.h"
#include "io/Archive.h"
#include "library/IrLibrary.h"
#include "library/Rs232Library.h"
#include "model/Configuration.h"
#include "store/ProjectFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>

#include <malloc.h>

namespace {

std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void Counted(void* p) {
    if (!p) {
        return;
    }
    const std::size_t now = g_live += malloc_usable_size(p);
    std::size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}

void Uncounted(void* p) {
    if (p) {
        g_live -= malloc_usable_size(p);
    }
}

} // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) {
        throw std::bad_alloc();
    }
    Counted(p);
    return p;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    void* p = std::malloc(size ? size : 1);
    Counted(p);
    return p;
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    Uncounted(p);
    std::free(p);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    operator delete(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    operator delete(p);
}

namespace {

using namespace qztest;

// Bytes the heap grew by at most while `run` ran.
std::size_t PeakGrowth(const std::function<void()>& run) {
    const std::size_t base = g_live.load();
    g_peak = base;
    run();
    return g_peak.load() - base;
}

QByteArray DefaultProject() {
    qz::Configuration c;
    c.LayoutKeys(1);
    c.ApplyModelAndPort(1, 0);
    return qz::ProjectToBytes(c);
}

// The default project with key 0's first slot (at byte 68) replaced by `slot`; `tail` decides
// whether the rest of the project follows.
QByteArray ProjectWithFirstSlot(const QByteArray& slot, bool tail) {
    const QByteArray project = DefaultProject();
    return project.left(68) + slot + (tail ? project.mid(70) : QByteArray());
}

QByteArray Count32(quint32 count) {
    return Le16(0xFFFF) + Le32(count);
}

struct Crafted {
    const char* name;
    std::function<QByteArray()> make;
    std::function<bool(const QByteArray&, QString*)> read;
    const char* message;
};

bool ReadProject(const QByteArray& bytes, QString* error) {
    qz::Configuration config;
    return qz::ProjectFromBytes(bytes, config, error);
}
bool ReadIr(const QByteArray& bytes, QString* error) {
    qz::CIrLibSet library;
    return qz::ReadIrLibrary(bytes, library, error);
}
bool ReadRs232(const QByteArray& bytes, QString* error) {
    qz::CRS232LibSet library;
    return qz::ReadRs232Library(bytes, library, error);
}

constexpr quint32 kSixtyMillion = 60'000'000;

class CraftedCount : public ::testing::TestWithParam<Crafted> {};

TEST_P(CraftedCount, IsRefusedQuicklyInLittleMemory) {
    const Crafted& c = GetParam();
    const QByteArray bytes = c.make();
    QString error;
    bool read = true;
    QElapsedTimer timer;
    timer.start();
    const std::size_t grown = PeakGrowth([&] { read = c.read(bytes, &error); });
    const qint64 ms = timer.elapsed();
    EXPECT_FALSE(read);
    EXPECT_EQ(error.toStdString(), c.message);
    EXPECT_LT(grown, 1u << 20) << "bytes allocated for a count that the file does not hold";
    EXPECT_LT(ms, 2000);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CraftedCount,
    ::testing::Values(
        Crafted{"project_count_in_a_small_file",
                [] { return ProjectWithFirstSlot(Count32(kSixtyMillion), true); }, ReadProject,
                "byte 68: count 60000000 cannot fit in the 4403 bytes left (what follows it "
                "needs at least 4272)"},
        // 60 MB of zeros would be 60 million empty actions, but the 35 keys after them are
        // missing: refused at the count, not after reading them.
        Crafted{"project_count_that_crowds_out_the_keys",
                [] {
                    return ProjectWithFirstSlot(
                        Count32(kSixtyMillion) + QByteArray(kSixtyMillion, '\0'), false);
                },
                ReadProject,
                "byte 68: count 60000000 cannot fit in the 60000000 bytes left (what follows it "
                "needs at least 4272)"},
        // The bytes could hold 900 actions, but the first one is already no string.
        Crafted{"project_count_over_bytes_that_are_no_strings",
                [] {
                    return ProjectWithFirstSlot(Count32(900) + QByteArray(kSixtyMillion, '\xff'),
                                                true);
                },
                ReadProject, "byte 74: string length 18446744073709551615 out of range"},
        // A valid file of 6 MB: six million empty actions in one slot, far more than an upload
        // sends (99), each of which would be a string in memory (hundreds of MB).
        Crafted{"project_slot_of_millions_of_empty_actions",
                [] {
                    return ProjectWithFirstSlot(Count32(6'000'000) + QByteArray(6'000'000, '\0'),
                                                true);
                },
                ReadProject,
                "byte 68: key 1, slot 0 (Press): 6000000 entries, more than the 999 a slot may "
                "hold (an upload sends at most 99)"},
        Crafted{"project_slot_of_one_entry_too_many",
                [] { return ProjectWithFirstSlot(Le16(1000) + QByteArray(1000, '\0'), true); },
                ReadProject,
                "byte 68: key 1, slot 0 (Press): 1000 entries, more than the 999 a slot may hold "
                "(an upload sends at most 99)"},
        Crafted{
            "ir_count_over_bytes_that_are_no_entries",
            [] {
                return QByteArray("\x02TV") + Count32(16'000'000) + QByteArray(16'000'000, '\xff');
            },
            ReadIr, "byte 9: entry 1 of 16000000: string length 18446744073709551615 out of range"},
        Crafted{"ir_count_in_a_small_file",
                [] { return QByteArray("\x02TV") + Count32(kSixtyMillion) + "abc"; }, ReadIr,
                "byte 3: entry count: count 60000000 cannot fit in the 3 bytes left"},
        Crafted{"rs232_count_over_bytes_that_are_no_functions",
                [] {
                    return QByteArray("\x04Proj") + Le32(320'000) +
                           QByteArray(320'000 * 50, '\xff');
                },
                ReadRs232,
                "byte 9: function 1 of 320000: string length 18446744073709551615 out of range"}),
    [](const ::testing::TestParamInfo<Crafted>& info) { return std::string(info.param.name); });

// What the program writes itself loads: events of far more actions than one frame holds, up to
// the most a slot may hold, in the first and the last slot. One more is neither read (above) nor
// written.
TEST(BoundedRead, FilesTheProgramWritesStillLoad) {
    qz::Configuration many;
    many.LayoutKeys(1);
    many.ApplyModelAndPort(1, 0);
    many.keys[0].slots[0].assign(qz::kMaxSlotEntries, "DELY : 00 : 00 : 01 : 0 : 00010");
    many.keys[35].slots[36].assign(qz::kMaxSlotEntries, std::string());
    const QByteArray bytes = qz::ProjectToBytes(many);
    qz::Configuration loaded;
    QString error;
    ASSERT_TRUE(qz::ProjectFromBytes(bytes, loaded, &error)) << error.toStdString();
    EXPECT_EQ(loaded.keys[0].slots[0], many.keys[0].slots[0]);
    EXPECT_EQ(loaded.keys[35].slots[36].size(), qz::kMaxSlotEntries);
    EXPECT_EQ(qz::ProjectToBytes(loaded), bytes);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("many.qzp"));
    ASSERT_TRUE(qz::SaveProject(path, many, &error)) << error.toStdString();
    many.keys[35].slots[36].emplace_back();
    EXPECT_FALSE(qz::SaveProject(path, many, &error));
    EXPECT_EQ(error.toStdString(), path.toStdString() +
                                       ": cannot write: key 36, slot 36 (Virtual): 1000 entries, "
                                       "more than the 999 a slot may hold (an upload sends at "
                                       "most 99)");
    ASSERT_TRUE(qz::LoadProject(path, loaded, &error)) << error.toStdString();
    EXPECT_EQ(loaded.keys[35].slots[36].size(), qz::kMaxSlotEntries);

    qz::CIrLibSet ir;
    ir.libName = "TV";
    ir.entries.assign(200'000, std::string());
    qz::CIrLibSet irLoaded;
    ASSERT_TRUE(qz::ReadIrLibrary(qz::WriteIrLibrary(ir), irLoaded, &error)) << error.toStdString();
    EXPECT_EQ(irLoaded, ir);
}

} // namespace
