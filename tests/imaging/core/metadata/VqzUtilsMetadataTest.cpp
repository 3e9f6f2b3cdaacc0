#include "imaging/core/metadata/vqzutils_metadata.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace {

std::vector<Byte> Bytes(std::initializer_list<int> v) {
  std::vector<Byte> out;
  for (int b : v) out.push_back(static_cast<Byte>(b));
  return out;
}

std::vector<Byte> Saved(const TVQIPTCInfoList& list, bool wrapper) {
  Byte* buffer = nullptr;
  int length = -1;
  list.SaveToBuffer(buffer, length, wrapper);
  std::vector<Byte> out(buffer, buffer + length);
  delete[] buffer;
  return out;
}

TEST(MarkerList, KeepsCopiesInOrderAndFindsTheFirstOfAType) {
  TVQMarkerList list;
  const std::string comment = "a comment", exif = "Exif";
  list.AddMarker(254, comment.data(), int(comment.size()));
  list.AddMarker(225, exif.data(), int(exif.size()));
  list.AddMarker(254, "x", 1);
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.IndexOf(254), 0);
  EXPECT_EQ(list.IndexOf(225), 1);
  EXPECT_EQ(list.IndexOf(226), -1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(list.GetMarkerData(1)), list.GetMarkerLength(1)), "Exif");
  list.SetMarker(1, 226, "ICC", 3);
  EXPECT_EQ(list.GetMarkerType(1), 226);
  EXPECT_EQ(list.GetMarkerLength(1), 3);
  list.DeleteMarker(0);
  EXPECT_EQ(list.IndexOf(254), 1);

  TVQMarkerList copy;
  copy.AddMarker(1, "zz", 2);
  copy.Assign(&list);
  ASSERT_EQ(copy.GetCount(), 2);
  EXPECT_EQ(copy.GetMarkerType(0), 226);
  EXPECT_NE(copy.GetMarkerData(0), list.GetMarkerData(0));
  copy.Assign(nullptr);
  EXPECT_EQ(copy.GetCount(), 2);
}

TEST(MarkerList, RefusesAMarkerTooLongForASegmentInsteadOfCuttingIt) {
  TVQMarkerList list;
  std::vector<Byte> big(70000, 7);
  EXPECT_THROW(list.AddMarker(254, big.data(), 70000), EInvalidOperation);
  EXPECT_EQ(list.GetCount(), 0);
  list.AddMarker(254, big.data(), 65535);
  EXPECT_EQ(list.GetMarkerLength(0), 65535);
  EXPECT_THROW(list.SetMarker(0, 254, big.data(), 65536), EInvalidOperation);
  EXPECT_EQ(list.GetMarkerLength(0), 65535);
}

TEST(MarkerList, IndexesOutsideTheListRaise) {
  TVQMarkerList list;
  list.AddMarker(254, "a", 1);
  EXPECT_THROW(list.GetMarkerData(1), EListError);
  EXPECT_THROW(list.GetMarkerType(-1), EListError);
  EXPECT_THROW(list.DeleteMarker(5), EListError);
  EXPECT_THROW(list.SetMarker(1, 254, "b", 1), EListError);
}

TEST(IptcList, EncodesWithThePlainHeaderAndPadsToAnEvenLength) {
  TVQIPTCInfoList list;
  list.AddItem(2, 5, "abc", 3);
  EXPECT_EQ(Saved(list, false), Bytes({0x1C, 2, 0, 0, 2, 0, 2, 0x1C, 2, 5, 0, 3, 'a', 'b', 'c', 0}));
}

TEST(IptcList, EncodesInsideThePhotoshopWrapperWithItsSize) {
  TVQIPTCInfoList list;
  list.AddItem(2, 5, "abc", 3);
  const std::vector<Byte> block = Saved(list, true);
  ASSERT_EQ(block.size(), 34u);
  EXPECT_EQ(std::string(block.begin(), block.begin() + 13), "Photoshop 3.0");
  EXPECT_EQ(Bytes({block[13], block[14], block[15], block[16], block[17], block[18], block[19], block[20],
                   block[21], block[22], block[23], block[24], block[25]}),
            Bytes({0, '8', 'B', 'I', 'M', 4, 4, 0, 0, 0, 0, 0, 8}));
  EXPECT_EQ(std::vector<Byte>(block.begin() + 26, block.end()), Bytes({0x1C, 2, 5, 0, 3, 'a', 'b', 'c'}));
}

TEST(IptcList, SkipsTheRecordVersionAndEmptyItemsAndAnEmptyListGivesNothing) {
  TVQIPTCInfoList list;
  EXPECT_TRUE(Saved(list, false).empty());
  list.AddItem(2, 0, "\x00\x04", 2);
  list.AddItem(2, 25, "", 0);
  EXPECT_EQ(Saved(list, false), Bytes({0x1C, 2, 0, 0, 2, 0, 2, 0}));
}

TEST(IptcList, ALongItemTakesTheExtendedLengthAndDecodesBack) {
  TVQIPTCInfoList list;
  std::vector<Byte> data(40000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<Byte>(i * 7);
  list.AddItem(2, 120, data.data(), int(data.size()));
  const std::vector<Byte> block = Saved(list, false);
  EXPECT_EQ(std::vector<Byte>(block.begin() + 7, block.begin() + 16), Bytes({0x1C, 2, 120, 0x80, 4, 0, 0, 0x9C, 0x40}));
  TVQIPTCInfoList back;
  back.LoadFromBuffer(block.data(), int(block.size()));
  // The header's record version comes back as an item of its own.
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(back.GetRecord(1), 2);
  EXPECT_EQ(back.GetDataSet(1), 120);
  EXPECT_EQ(std::vector<Byte>(back.GetData(1), back.GetData(1) + 40000), data);
}

TEST(IptcList, DecodingSkipsGarbageBeforeTheFirstTagAndStopsAtTheLastWholeDataset) {
  struct Case {
    const char* what;
    std::vector<Byte> block;
    int items;
  } cases[] = {
      {"garbage first", Bytes({9, 9, 9, 0x1C, 2, 5, 0, 2, 'h', 'i', 0x1C, 2, 6, 0, 1, 'x'}), 2},
      {"truncated data", Bytes({0x1C, 2, 5, 0, 2, 'h', 'i', 0x1C, 2, 6, 0, 9, 'x', 'y'}), 1},
      {"truncated length bytes", Bytes({0x1C, 2, 5, 0x80, 4, 0, 0}), 0},
      {"length of length zero", Bytes({0x1C, 2, 5, 0x80, 0, 'a', 'b'}), 0},
      {"length of length five", Bytes({0x1C, 2, 5, 0x80, 5, 0, 0, 0, 0, 1, 'a'}), 0},
      // A length with the top bit set is a huge unsigned count, not a
      // negative one that passes the end test.
      {"length past 2^31", Bytes({0x1C, 2, 5, 0x80, 4, 0x80, 0, 0, 1, 'a', 'b'}), 0},
      {"one-byte extended length", Bytes({0x1C, 2, 5, 0x80, 1, 2, 'o', 'k'}), 1},
      {"no tag", Bytes({1, 2, 3, 4, 5, 6, 7}), 0},
  };
  for (const Case& c : cases) {
    TVQIPTCInfoList list;
    list.AddItem(1, 1, "old", 3);
    list.LoadFromBuffer(c.block.data(), int(c.block.size()));
    EXPECT_EQ(list.GetCount(), c.items) << c.what;
    EXPECT_FALSE(list.UserChanged) << c.what;
  }
}

TEST(IptcList, ChangesThroughTheInterfaceMarkTheListAndIndexesAreChecked) {
  TVQIPTCInfoList list;
  EXPECT_FALSE(list.UserChanged);
  list.AddItem(2, 5, "a", 1);
  EXPECT_TRUE(list.UserChanged);
  list.LoadFromBuffer(nullptr, 0);
  EXPECT_FALSE(list.UserChanged);
  list.Clear();
  EXPECT_TRUE(list.UserChanged);
  TVQIPTCInfoList other;
  other.AddItem(2, 80, "me", 2);
  list.LoadFromBuffer(nullptr, 0);
  list.Assign(&other);
  EXPECT_TRUE(list.UserChanged);
  EXPECT_EQ(list.GetDataSet(0), 80);
  EXPECT_THROW(list.GetRecord(1), EListError);
  EXPECT_THROW(list.AddItem(2, 5, "a", -1), EInvalidOperation);
}

}  // namespace

namespace {

TEST(IptcList, AWrappedBlockWhoseSizeHoldsTheTagByteDecodesBack) {
  TVQIPTCInfoList list;
  // 23 data bytes + 5 make the size field 0x1C.
  const std::string data(23, 'q');
  list.AddItem(2, 5, data.data(), int(data.size()));
  const std::vector<Byte> block = Saved(list, true);
  ASSERT_EQ(block[25], 0x1C);
  TVQIPTCInfoList back;
  back.LoadFromBuffer(block.data(), int(block.size()));
  ASSERT_EQ(back.GetCount(), 1);
  EXPECT_EQ(back.GetDataSet(0), 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.GetData(0)), 23), data);
}

}  // namespace
