// Streams: byte-exact number and line transfers, disk, bank and RAM streams, the opener chain.
#include "framework/system/Stream.h"
#include "framework/system/Bank.h"
#include "framework/system/Embedded.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using Bytes = std::vector<uint8_t>;

TBankPtr BankOf(const Bytes& bytes)
{
    auto bank = TBank::Create(static_cast<int32_t>(bytes.size()));
    if (!bytes.empty()) std::memcpy(bank->Buf(), bytes.data(), bytes.size());
    return bank;
}

Bytes BankBytes(const TBankPtr& bank) { return Bytes(bank->Buf(), bank->Buf() + bank->Size()); }

TEST(StreamNumbers, WriteIntIsLittleEndian)
{
    struct Case {
        int32_t value;
        Bytes bytes;
    };
    const Case cases[] = {
        {1, {0x01, 0x00, 0x00, 0x00}},
        {-1, {0xFF, 0xFF, 0xFF, 0xFF}},
        {0x12345678, {0x78, 0x56, 0x34, 0x12}},
        {INT32_MIN, {0x00, 0x00, 0x00, 0x80}},
    };
    for (const auto& c : cases) {
        auto bank = TBank::Create(0);
        auto s = OpenBankStream(bank);
        s->WriteInt(c.value);
        EXPECT_EQ(BankBytes(bank), c.bytes) << c.value;
        s->Seek(0);
        EXPECT_EQ(s->ReadInt(), c.value);
        EXPECT_TRUE(s->Eof());
    }
}

TEST(StreamNumbers, ReadIntOfAllOnesIsMinusOne)
{
    auto s = OpenBankStream(BankOf({0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(s->ReadInt(), -1);
}

TEST(StreamNumbers, ReadIntWithThreeBytesLeftThrowsTheReadError)
{
    auto s = OpenBankStream(BankOf({1, 2, 3}));
    try {
        s->ReadInt();
        FAIL() << "no exception";
    } catch (const TStreamReadException& e) {
        EXPECT_STREQ(e.what(), "Error reading from stream");
    }
}

TEST(StreamNumbers, WriteToAFullRamStreamThrowsTheWriteError)
{
    uint8_t buf[3] = {};
    auto s = TRamStream::Create(buf, 3, true, true);
    try {
        s->WriteInt(7);
        FAIL() << "no exception";
    } catch (const TStreamWriteException& e) {
        EXPECT_STREQ(e.what(), "Error writing to stream");
    }
    EXPECT_EQ(s->Pos(), 3);  // the three bytes that fitted went in
}

TEST(StreamNumbers, OtherWidthsRoundTrip)
{
    auto bank = TBank::Create(0);
    auto s = OpenBankStream(bank);
    s->WriteByte(0x1FF);
    s->WriteShort(0xBEEF);
    s->WriteLong(-5);
    s->WriteFloat(1.5f);
    s->WriteDouble(-0.25);
    s->WriteString("xyz");
    EXPECT_EQ(bank->Size(), 1 + 2 + 8 + 4 + 8 + 3);
    EXPECT_EQ(bank->PeekByte(0), 0xFF);  // the low 8 bits
    s->Seek(0);
    EXPECT_EQ(s->ReadByte(), 255);
    EXPECT_EQ(s->ReadShort(), 0xBEEF);
    EXPECT_EQ(s->ReadLong(), -5);
    EXPECT_EQ(s->ReadFloat(), 1.5f);
    EXPECT_EQ(s->ReadDouble(), -0.25);
    EXPECT_EQ(s->ReadString(3), "xyz");
    EXPECT_TRUE(s->Eof());
}

TEST(StreamNumbers, SkipBytesPassesOverAndThrowsAtTheEnd)
{
    auto s = OpenBankStream(BankOf(Bytes(10000, 7)));
    EXPECT_EQ(s->SkipBytes(9000), 9000);
    EXPECT_EQ(s->Pos(), 9000);
    EXPECT_THROW(s->SkipBytes(1001), TStreamReadException);
}

TEST(StreamLines, ReadLineSplitsAndSkipsCarriageReturns)
{
    struct Case {
        Bytes bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {{0x41, 0x42, 0x0D, 0x0A, 0x43, 0x44}, {"AB", "CD"}},
        {{0x41, 0x0D, 0x42, 0x0A}, {"AB"}},
        {{0x41, 0x00, 0x42}, {"A", "B"}},  // NUL ends a line
        {{0x0A, 0x0A}, {"", ""}},
        {{0xE9, 0xFF, 0x0A}, {"\xE9\xFF"}},  // Latin-1 bytes pass unchanged
    };
    for (const auto& c : cases) {
        auto s = OpenBankStream(BankOf(c.bytes));
        std::vector<std::string> got;
        while (!s->Eof()) got.push_back(s->ReadLine());
        EXPECT_EQ(got, c.lines);
        EXPECT_EQ(s->ReadLine(), "");  // at the end: empty, no exception
    }
}

TEST(StreamLines, ReadLineGrowsPastItsFirstBuffer)
{
    std::string longLine(5000, 'q');
    auto s = OpenBankStream(BankOf(Bytes(longLine.begin(), longLine.end())));
    EXPECT_EQ(s->ReadLine(), longLine);
}

TEST(StreamLines, WriteLineEndsWithCrLfAndReportsFailureWithoutThrowing)
{
    auto bank = TBank::Create(0);
    auto s = OpenBankStream(bank);
    EXPECT_TRUE(s->WriteLine("Hi\xE9"));
    EXPECT_EQ(BankBytes(bank), (Bytes{'H', 'i', 0xE9, 0x0D, 0x0A}));

    uint8_t buf[3] = {};
    auto small = TRamStream::Create(buf, 3, true, true);
    EXPECT_FALSE(small->WriteLine("ABCD"));
    auto readOnly = TRamStream::Create(buf, 3, true, false);
    EXPECT_FALSE(readOnly->WriteLine("A"));
}

TEST(BankStream, WritingPastTheEndGrowsTheBank)
{
    auto bank = TBank::Create(0);
    auto s = OpenBankStream(bank);
    s->WriteBytes("hello", 5);
    EXPECT_EQ(bank->Size(), 5);
    EXPECT_EQ(bank->Capacity(), 5);  // a bank of size 0 grows exactly to the first write
    s->WriteBytes("!!", 2);
    EXPECT_EQ(bank->Size(), 7);
    EXPECT_EQ(bank->Capacity(), 7);  // max(5 * 3 / 2, 7)
    s->WriteBytes("x", 1);
    EXPECT_EQ(bank->Size(), 8);
    EXPECT_EQ(bank->Capacity(), 10);  // max(7 * 3 / 2, 8)
    EXPECT_EQ(BankBytes(bank), (Bytes{'h', 'e', 'l', 'l', 'o', '!', '!', 'x'}));
}

TEST(BankStream, ReadsClampAndSeeksClamp)
{
    auto s = OpenBankStream(BankOf({1, 2, 3, 4}));
    uint8_t buf[8] = {};
    EXPECT_EQ(s->Read(buf, 0), 0);
    EXPECT_EQ(s->Read(buf, -3), 0);
    EXPECT_EQ(s->Read(buf, 8), 4);
    EXPECT_EQ(s->Read(buf, 8), 0);
    EXPECT_EQ(s->Seek(-5), 0);
    EXPECT_EQ(s->Seek(99), 4);
    EXPECT_TRUE(s->Eof());
    EXPECT_EQ(s->Seek(2), 2);
    EXPECT_EQ(s->Read(buf, 8), 2);
    EXPECT_EQ(buf[0], 3);
    EXPECT_EQ(buf[1], 4);
}

TEST(BankStream, OverwritingInsideKeepsTheSize)
{
    auto bank = BankOf({1, 2, 3, 4});
    auto s = OpenBankStream(bank);
    s->Seek(1);
    s->WriteBytes("\x09\x09", 2);
    EXPECT_EQ(BankBytes(bank), (Bytes{1, 9, 9, 4}));
}

TEST(BankStream, NullBankGivesANewEmptyOne)
{
    auto s = OpenBankStream(nullptr);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Size(), 0);
    EXPECT_TRUE(s->Eof());
    s->WriteInt(5);
    EXPECT_EQ(s->Size(), 4);
}

TEST(RamStream, ReadsAndWritesClampToTheFixedBuffer)
{
    uint8_t buf[4] = {1, 2, 3, 4};
    auto s = TRamStream::Create(buf, 4, true, true);
    uint8_t out[6] = {};
    EXPECT_EQ(s->Read(out, 6), 4);
    EXPECT_EQ(s->Write("zz", 2), 0);  // never grows
    s->Seek(3);
    EXPECT_EQ(s->Write("zz", 2), 1);
    EXPECT_EQ(buf[3], 'z');
    EXPECT_EQ(s->Seek(10), 4);

    auto readOnly = TRamStream::Create(buf, 4, true, false);
    EXPECT_THROW(readOnly->Write("a", 1), TStreamException);
    auto writeOnly = TRamStream::Create(buf, 4, false, true);
    EXPECT_THROW(writeOnly->Read(out, 1), TStreamException);
}

TEST(StreamBase, BaseIsNeitherReadableNorWriteableNorSeekable)
{
    TStream plain;
    EXPECT_EQ(plain.Pos(), -1);
    EXPECT_EQ(plain.Size(), 0);
    EXPECT_EQ(plain.Seek(3), -1);
    EXPECT_FALSE(plain.Eof());
    char c = 0;
    try {
        plain.Read(&c, 1);
        FAIL();
    } catch (const TStreamException& e) {
        EXPECT_STREQ(e.what(), "Stream is not readable");
    }
    try {
        plain.Write(&c, 1);
        FAIL();
    } catch (const TStreamException& e) {
        EXPECT_STREQ(e.what(), "Stream is not writeable");
    }
}

TEST(StreamWrappers, StreamStreamForwardsAndCloseOnlyDetaches)
{
    auto bank = BankOf({10, 20, 30});
    auto inner = OpenBankStream(bank);
    auto outer = OpenStreamUrl(inner, true, false);
    ASSERT_TRUE(outer);
    EXPECT_EQ(outer->Size(), 3);
    EXPECT_EQ(outer->ReadByte(), 10);
    EXPECT_EQ(inner->Pos(), 1);  // the same position: it forwards
    outer->Close();
    EXPECT_EQ(inner->ReadByte(), 20);  // still open
    EXPECT_EQ(outer->Pos(), -1);       // detached
}

TEST(DiskStream, ModesReadWriteAndUpdate)
{
    TTempDir dir;
    const std::string path = dir.File("f.bin");
    EXPECT_EQ(TCStream::OpenFile(path, true, false), nullptr);  // missing
    EXPECT_EQ(TCStream::OpenFile(path, true, true), nullptr);   // r+b does not create

    {
        auto w = TCStream::OpenFile(path, false, true);
        ASSERT_TRUE(w);
        w->WriteInt(0x01020304);
        w->WriteLine("ok");
        EXPECT_EQ(w->Pos(), 8);
        EXPECT_EQ(w->Size(), 8);
        uint8_t c;
        EXPECT_THROW(w->Read(&c, 1), TStreamException);
    }
    EXPECT_EQ(TTempDir::ReadBytes(path), (Bytes{4, 3, 2, 1, 'o', 'k', 13, 10}));

    {
        auto rw = TCStream::OpenFile(path, true, true);
        ASSERT_TRUE(rw);
        EXPECT_EQ(rw->Size(), 8);
        EXPECT_EQ(rw->ReadInt(), 0x01020304);
        rw->WriteByte('O');  // a write straight after a read
        EXPECT_EQ(rw->ReadByte(), 'k');
        rw->Seek(8);
        rw->WriteByte('!');  // past the end raises the size
        EXPECT_EQ(rw->Size(), 9);
        rw->Close();
        EXPECT_EQ(rw->Size(), 0);
        rw->Close();  // twice is harmless
    }
    EXPECT_EQ(TTempDir::ReadBytes(path), (Bytes{4, 3, 2, 1, 'O', 'k', 13, 10, '!'}));

    auto again = TCStream::OpenFile(path, false, true);  // wb truncates
    again.reset();
    EXPECT_TRUE(TTempDir::ReadBytes(path).empty());
}

TEST(DiskStream, BackslashesAreSlashes)
{
    TTempDir dir;
    std::filesystem::create_directory(dir.Path() / "sub");
    TTempDir::WriteBytes(dir.File("sub/a.txt"), {'x', 'y'});
    std::string windows = dir.File("sub\\a.txt");
    auto s = ReadFileStream(windows);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ReadLine(), "xy");
}

TEST(DiskStream, ADirectoryIsNotAFile)
{
    TTempDir dir;
    EXPECT_EQ(ReadFileStream(dir.Path().string()), nullptr);
    EXPECT_EQ(TBank::Load(dir.Path().string()), nullptr);
}

TEST(DiskStream, FilesLargerThanThePositionsCountAreRefused)
{
    TTempDir dir;
    // Sparse files: they take no room on disk.
    const auto sized = [&](const std::string& name, uintmax_t size) {
        std::ofstream(dir.File(name)).close();
        std::filesystem::resize_file(dir.File(name), size);
        return dir.File(name);
    };
    for (const uintmax_t size :
         {uintmax_t{1} << 31, (uintmax_t{1} << 31) + 5, uintmax_t{3} << 30, uintmax_t{1} << 32}) {
        const std::string path = sized("big.dat", size);
        errno = 0;
        EXPECT_EQ(ReadFileStream(path), nullptr) << size;
        EXPECT_EQ(errno, EFBIG);
        EXPECT_EQ(OpenStreamUrl(path, true, true), nullptr) << size;
        EXPECT_EQ(TBank::Load(path), nullptr) << size;
    }
    // The largest size that can be counted opens; transfers stop at the last position.
    const std::string path = sized("edge.dat", 0x7FFFFFFF);
    auto s = OpenStreamUrl(path, true, true);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Size(), 0x7FFFFFFF);
    EXPECT_EQ(s->Seek(0x7FFFFFFD), 0x7FFFFFFD);
    const uint8_t four[4] = {1, 2, 3, 4};
    EXPECT_EQ(s->Write(four, 4), 2);
    EXPECT_EQ(s->Pos(), 0x7FFFFFFF);
    EXPECT_EQ(s->Size(), 0x7FFFFFFF);
    EXPECT_EQ(s->Write(four, 4), 0);
    EXPECT_THROW(s->WriteInt(7), TStreamWriteException);
    uint8_t byte = 0;
    EXPECT_EQ(s->Read(&byte, 1), 0);
    EXPECT_TRUE(s->Eof());
    s->Close();
    EXPECT_EQ(std::filesystem::file_size(path), 0x7FFFFFFFu);
}

TEST(DiskStream, UnwritableLocationGivesNull)
{
    TTempDir dir;
    EXPECT_EQ(WriteFileStream(dir.File("no/such/dir/f")), nullptr);
}

// Bytes lost on a full disk after the last write call are reported when the file closes, whether
// the close writes them out or an earlier flush did.
TEST(DiskStream, AFailedFlushOfAWrittenFileIsReportedAtTheClose)
{
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    // Capturing flushes every open file, so it starts before the file is opened.
    testing::internal::CaptureStderr();
    auto s = TCStream::OpenFile("/dev/full", false, true);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Write("12345678", 8), 8);  // buffered, so the write itself succeeds
    s->Close();
    s->Close();  // already closed: nothing more to say
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "krellix: writing /dev/full failed: " + std::string(std::strerror(ENOSPC)) + "\n");

    testing::internal::CaptureStderr();
    s = TCStream::OpenFile("/dev/full", false, true);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Write("12345678", 8), 8);
    s->Flush();
    s.reset();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "krellix: writing /dev/full failed\n");
}

TEST(Opener, EmbeddedFilesOpenByIncbinName)
{
    static const uint8_t blob[] = {'f', 'o', 'n', 't'};
    RegisterEmbeddedFile("test/stream/blob.ttf", blob, 4);

    auto s = ReadFileStream("incbin::test/stream/blob.ttf");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Size(), 4);
    EXPECT_EQ(s->ReadLine(), "font");
    EXPECT_TRUE(OpenStreamUrl("INCBIN::test/stream/blob.ttf", true, false));   // prefix lower-cased
    EXPECT_FALSE(OpenStreamUrl("incbin::Test/stream/blob.ttf", true, false));  // name exact
    EXPECT_FALSE(OpenStreamUrl("incbin::test/stream/blob.ttf", true, true));   // never writeable
    EXPECT_FALSE(OpenStreamUrl("incbin::test/stream/blob.ttf", false, true));
    EXPECT_FALSE(OpenStreamUrl("nosuch::test/stream/blob.ttf", true, false));
    EXPECT_FALSE(OpenStreamUrl("", true, false));
    EXPECT_EQ(ReadAllBytes("incbin::test/stream/blob.ttf"), (Bytes{'f', 'o', 'n', 't'}));
    EXPECT_THROW(ReadAllBytes("incbin::missing.ttf"), TStreamReadException);
}

TEST(Opener, EmbeddedRegistryKeepsTheFirstRegistration)
{
    static const uint8_t first[] = {1, 2, 3};
    static const uint8_t second[] = {9};
    EXPECT_EQ(RegisterEmbeddedFile("test/registry/x", first, 3), 1);
    EXPECT_EQ(RegisterEmbeddedFile("test/registry/x", second, 1), 0);
    EXPECT_EQ(EmbeddedFileData("test/registry/x"), first);
    EXPECT_EQ(EmbeddedFileSize("test/registry/x"), 3);
    EXPECT_EQ(EmbeddedFileData("test/registry/none"), nullptr);
    EXPECT_EQ(EmbeddedFileSize("test/registry/none"), 0);
}

// Answers "mem::" urls with a stream over one bank, and counts how often it was asked.
class TMemFactory : public TStreamFactory {
public:
    explicit TMemFactory(TBankPtr bank) : bank(std::move(bank)) {}
    TStreamPtr CreateStream(const TUrl&, const std::string& proto, const std::string&, bool, bool) override
    {
        ++asked;
        return proto == "mem" ? OpenBankStream(bank) : nullptr;
    }
    TBankPtr bank;
    int asked = 0;
};

TEST(Opener, NewestFactoryIsAskedFirst)
{
    auto older = std::make_shared<TMemFactory>(BankOf({'o'}));
    auto newer = std::make_shared<TMemFactory>(BankOf({'n'}));
    RegisterStreamFactory(older);
    RegisterStreamFactory(newer);
    auto s = OpenStreamUrl("MEM::anything", true, false);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ReadByte(), 'n');
    EXPECT_EQ(newer->asked, 1);
    EXPECT_EQ(older->asked, 0);
    newer->bank.reset();  // keep later tests independent of these factories' banks
}

TEST(Opener, BankUrlOpensABankStream)
{
    auto bank = BankOf({5, 6});
    auto s = OpenStreamUrl(bank, true, false);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Size(), 2);
    EXPECT_EQ(s->ReadByte(), 5);
}

// A readable stream that cannot seek: hands out its bytes a few at a time.
class TPipeStream : public TStream {
public:
    explicit TPipeStream(Bytes data) : data(std::move(data)) {}
    int32_t Read(void* buf, int32_t count) override
    {
        const int32_t n = std::min<int32_t>({count, 3, static_cast<int32_t>(data.size() - pos)});
        std::memcpy(buf, data.data() + pos, static_cast<size_t>(std::max(n, 0)));
        pos += static_cast<size_t>(std::max(n, 0));
        return std::max(n, 0);
    }
    void Close() override { closed = true; }
    Bytes data;
    size_t pos = 0;
    bool closed = false;
};

TEST(Opener, OpenFileStreamTakesAnUnseekableStreamIntoABank)
{
    Bytes data(2500);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    auto pipe = std::make_shared<TPipeStream>(data);
    auto s = ReadFileStream(pipe);
    ASSERT_TRUE(s);
    EXPECT_NE(dynamic_cast<TBankStream*>(s.get()), nullptr);
    EXPECT_EQ(s->Pos(), 0);
    EXPECT_EQ(s->Size(), 2500);
    Bytes back(2500);
    s->ReadBytes(back.data(), 2500);
    EXPECT_EQ(back, data);
    EXPECT_EQ(ReadAllBytes(std::make_shared<TPipeStream>(data)), data);
}

TEST(Banks, GrowthRule)
{
    struct Case {
        int32_t start, resize, size, capacity;
    };
    const Case cases[] = {
        {10, 12, 12, 15},                // 3/2 of the old capacity
        {10, 40, 40, 40},                // the new size when larger
        {10, 4, 4, 10},                  // shrinking keeps the capacity
        {0, 1, 1, 1},     {1, 2, 2, 2},  // 1 * 3 / 2 is 1
        {3, 4, 4, 4},                    // 3 * 3 / 2 is 4
    };
    for (const auto& c : cases) {
        auto bank = TBank::Create(c.start);
        for (int32_t i = 0; i < c.start; ++i) bank->PokeByte(i, i + 1);
        bank->Resize(c.resize);
        EXPECT_EQ(bank->Size(), c.size);
        EXPECT_EQ(bank->Capacity(), c.capacity);
        for (int32_t i = 0; i < std::min(c.start, c.resize); ++i) EXPECT_EQ(bank->PeekByte(i), i + 1);
    }
}

TEST(Banks, PeekAndPoke)
{
    auto bank = TBank::Create(8);
    bank->PokeByte(0, 0x1FE);
    EXPECT_EQ(bank->PeekByte(0), 0xFE);
    bank->PokeInt(4, -2);
    EXPECT_EQ(bank->PeekInt(4), -2);
    EXPECT_EQ(bank->PeekByte(4), 0xFE);
    EXPECT_EQ(bank->PeekByte(7), 0xFF);
}

TEST(Banks, StaticBankOwnsItsBufferOnceItGrows)
{
    uint8_t foreign[3] = {7, 8, 9};
    auto bank = TBank::CreateStatic(foreign, 3);
    EXPECT_EQ(bank->Capacity(), -1);
    EXPECT_EQ(bank->Buf(), foreign);
    bank->Resize(5);
    EXPECT_NE(bank->Buf(), foreign);
    EXPECT_EQ(bank->PeekByte(2), 9);
    EXPECT_EQ(foreign[2], 9);
}

TEST(Banks, SaveAndLoadThroughFiles)
{
    TTempDir dir;
    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i ^ (i >> 8));
    auto bank = BankOf(data);
    EXPECT_EQ(bank->Save(dir.File("b.dat")), 1);
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("b.dat")), data);

    auto loaded = TBank::Load(dir.File("b.dat"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Size(), 5000);
    EXPECT_EQ(loaded->Capacity(), 5000);  // exactly the bytes read
    EXPECT_EQ(BankBytes(loaded), data);

    EXPECT_EQ(TBank::Load(dir.File("missing.dat")), nullptr);
    EXPECT_EQ(bank->Save(dir.File("no/dir/b.dat")), 0);

    TTempDir::WriteBytes(dir.File("empty.dat"), {});
    auto empty = TBank::Load(dir.File("empty.dat"));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Size(), 0);

    // Saving replaces a longer file completely.
    EXPECT_EQ(BankOf({1})->Save(dir.File("b.dat")), 1);
    EXPECT_EQ(TTempDir::ReadBytes(dir.File("b.dat")), Bytes{1});
}

TEST(Banks, ReadAndWriteThroughAStreamStayInsideTheBank)
{
    auto bank = BankOf({1, 2, 3, 4});
    auto target = TBank::Create(0);
    auto out = OpenBankStream(target);
    EXPECT_EQ(bank->Write(*out, 1, 10), 3);
    EXPECT_EQ(BankBytes(target), (Bytes{2, 3, 4}));
    auto in = OpenBankStream(BankOf({9, 9, 9, 9, 9}));
    EXPECT_EQ(bank->Read(*in, 2, 10), 2);
    EXPECT_EQ(BankBytes(bank), (Bytes{1, 2, 9, 9}));
    EXPECT_EQ(bank->Read(*in, -1, 2), 0);
}

}  // namespace
