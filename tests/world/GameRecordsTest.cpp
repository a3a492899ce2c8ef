#include "world/GameRecords.h"

#include "WorldRecords.h"
#include "app/EngineApplication.h"
#include "storage/EngineStorage.h"
#include "world/GameProp.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace valdmoor {
namespace {

using test::TRecordWriter;

TEST(RecordReader, ReadsLittleEndianFieldsOfAFixedRecord) {
    TRecordWriter w;
    w.Int32(-2).Byte(0xFE).Float(1.5f).Int32(0x01020304);
    TMemoryStream stream(w.Bytes());
    TRecordBytes<13> record;
    TRecordReader r = ReadRecord(stream, record);
    EXPECT_EQ(r.Int32(), -2);
    EXPECT_EQ(r.Byte(), 0xFE);
    EXPECT_EQ(r.Float(), 1.5f);
    EXPECT_EQ(r.Int32(), 0x01020304);
    EXPECT_NO_THROW(r.Finish());
}

TEST(RecordReader, ARecordThatEndsEarlyRaisesTheStreamReadError) {
    TMemoryStream stream(std::string(24, '\0'));
    TProp prop("P");
    try {
        prop.Load(stream, TLoadContext{});
        FAIL();
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "Stream read error");
    }
}

TEST(RecordReader, FieldsPastTheRecordAndLeftOverBytesAreDamage) {
    const uint8_t bytes[5] = {};
    TRecordReader r(bytes, 5);
    r.Int32();
    EXPECT_THROW(r.Finish(), EngineError);
    EXPECT_THROW(r.Int32(), EngineError);
}

TEST(RecordReader, NotANumberAndInfinityAreDamage) {
    for (const float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
          -std::numeric_limits<float>::infinity()}) {
        TRecordWriter w;
        w.Float(bad);
        TMemoryStream stream(w.Bytes());
        TRecordBytes<4> record;
        TRecordReader r = ReadRecord(stream, record);
        EXPECT_THROW(r.Float(), EngineError);
    }
}

TEST(RecordReader, NamesAreCheckedAgainstTheBytesLeftBeforeAllocating) {
    TRecordWriter w;
    w.Name("Abc").Name("");
    TMemoryStream stream(w.Bytes());
    EXPECT_EQ(ReadName(stream), "Abc");
    EXPECT_EQ(ReadName(stream), "");

    for (const int32_t length : {-1, 5, std::numeric_limits<int32_t>::max()}) {
        TRecordWriter bad;
        bad.Int32(length).Raw("four");
        TMemoryStream damaged(bad.Bytes());
        EXPECT_THROW(ReadName(damaged), EngineError) << length;
    }
}

TEST(RecordReader, CountsThatCannotFitInTheBytesLeftAreRejected) {
    TRecordWriter w;
    w.Int32(2).Raw(std::string(64, '\0'));
    TMemoryStream fits(w.Bytes());
    EXPECT_EQ(ReadCount(fits, 32), 2);

    TMemoryStream tooMany(w.Bytes());
    EXPECT_THROW(ReadCount(tooMany, 33), EngineError);

    TRecordWriter negative;
    negative.Int32(-1);
    TMemoryStream below(negative.Bytes());
    EXPECT_THROW(ReadCount(below, 1), EngineError);
}

TEST(RecordReader, ReferencesOfZeroOrOutOfRangeAreNone) {
    int a = 0;
    int b = 0;
    const std::vector<int*> table{&a, &b};
    EXPECT_EQ(Resolve(table, 1), &a);
    EXPECT_EQ(Resolve(table, 2), &b);
    for (const int32_t index : {0, 3, -1, std::numeric_limits<int32_t>::min()}) {
        EXPECT_EQ(Resolve(table, index), nullptr) << index;
    }
    EXPECT_EQ(Resolve(std::vector<int*>{}, 1), nullptr);
}

TEST(SaturatingArithmetic, StopsAtTheThirtyTwoBitLimits) {
    constexpr int32_t Max = std::numeric_limits<int32_t>::max();
    constexpr int32_t Min = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(AddSaturated(Max - 1, 5), Max);
    EXPECT_EQ(AddSaturated(Min + 1, -5), Min);
    EXPECT_EQ(AddSaturated(10, -3), 7);
    EXPECT_EQ(SaturateInt32(int64_t{1} << 40), Max);
}

} // namespace
} // namespace valdmoor
