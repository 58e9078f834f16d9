#include "print/bidpattern.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "eeprom/addressmap.h"
#include "eeprom/cellaccess.h"
#include "link/mechcmd.h"
#include "link/modelselection.h"
#include "link/statuscontrol.h"
#include "print/steps.h"

using namespace printsteps;

namespace {

constexpr uint8_t kBlackInk = 1;
constexpr uint8_t kColorInk = 2;

// Ready-made run data: one byte 01 (a single dot) and eleven empty bytes.
constexpr std::array<uint8_t, 4> kMarkPiece = {0x00, 0x01, 0xF6, 0x00};

// How a row of one ink group is laid out.
struct RowLayout {
  uint8_t inkGroup;
  uint8_t colorMode;
  uint8_t verticalDivisor;
  int lines;  // per block; the marks lie in the middle third
  uint8_t referenceColor;
  uint8_t testColor;
  bool homeAfterReference;
};

constexpr RowLayout kBlackRow = {kBlackInk,          1,   1, 144, rastercolor::Black,
                                 rastercolor::Black, true};
constexpr RowLayout kColorRow = {kColorInk,         2,    3, 48, rastercolor::Magenta,
                                 rastercolor::Cyan, false};

const char* LabelOf(uint8_t inkGroup, int dropSize) {
  static constexpr const char* kBlack[3] = {"  MS Black", "  6pl Black", "  4pl Black"};
  static constexpr const char* kColor[3] = {"  MS Color", "  6pl Color", "  4pl Color"};
  return inkGroup == kBlackInk ? kBlack[dropSize - 1] : kColor[dropSize - 1];
}

ResultCode MarkGroup(RasterJob& job) {
  for (int i = 0; i < 5; ++i) RETURN_IF_FAILED(job.AppendData(kMarkPiece));
  return rc::Success;
}

// A blank line whose last byte carries a dot on the marked line only.
ResultCode BlankWithEndDot(RasterJob& job, bool dot) {
  RETURN_IF_FAILED(Repeat(job, 5, 120, 0x00));
  return Runs(job, {{119, 0x00}, {1, static_cast<uint8_t>(dot ? 0x01 : 0x00)}});
}

// The middle line of a test block: one mark group under the reference group of its value (at
// byte 90, 330 or 570), and a dot in the first byte on the marked line.
ResultCode TestLine(RasterJob& job, const RowLayout& row, int test, uint8_t endDot) {
  RETURN_IF_FAILED(job.RepeatSend(1, endDot));
  switch (test) {
    case 0:
      RETURN_IF_FAILED(job.RepeatSend(89, 0x00));
      RETURN_IF_FAILED(MarkGroup(job));
      RETURN_IF_FAILED(Repeat(job, 5, 100, 0x00));
      // The colour rows also mark the last byte of this block.
      if (row.inkGroup == kBlackInk) return job.RepeatSend(70, 0x00);
      return Runs(job, {{69, 0x00}, {1, endDot}});
    case 1:
      RETURN_IF_FAILED(Runs(job, {{109, 0x00}, {110, 0x00}, {110, 0x00}}));
      RETURN_IF_FAILED(MarkGroup(job));
      return Repeat(job, 3, 110, 0x00);
    default:
      RETURN_IF_FAILED(job.RepeatSend(99, 0x00));
      RETURN_IF_FAILED(Repeat(job, 4, 100, 0x00));
      RETURN_IF_FAILED(job.RepeatSend(70, 0x00));
      RETURN_IF_FAILED(MarkGroup(job));
      return job.RepeatSend(90, 0x00);
  }
}

ResultCode StartRow(RasterJob& job, const RowLayout& row, int dropSize, uint8_t direction) {
  RETURN_IF_FAILED(job.StartJob(10, direction, static_cast<uint8_t>(dropSize), row.colorMode));
  return job.SetRasterResolution(0x68, 0x01, row.verticalDivisor, 1);
}

// Reference block, one direction: reference lines in the outer thirds, an end dot on the last
// line of the middle third.
ResultCode ReferenceBlock(RasterJob& job, const BidPattern& pattern, const RowLayout& row,
                          int dropSize) {
  RETURN_IF_FAILED(StartRow(job, row, dropSize, 1));
  RETURN_IF_FAILED(Block(job, row.referenceColor, 720, row.lines));
  const int third = row.lines / 3;
  for (int line = 0; line < row.lines; ++line) {
    if (line / third == 1) {
      RETURN_IF_FAILED(BlankWithEndDot(job, line == 2 * third - 1));
    } else {
      RETURN_IF_FAILED(pattern.BidReferenceLine(job));
    }
  }
  if (row.homeAfterReference) RETURN_IF_FAILED(job.ReturnHome());
  RETURN_IF_FAILED(job.ResetPrinter());
  return job.FlushData();
}

// Test block, both directions, for value - 2 (test 0), value (1) or value + 2 (2). The blocks for
// the value and value + 2 are preceded by a blank lead block with a dot at its last byte.
ResultCode TestBlock(RasterJob& job, const RowLayout& row, int dropSize, int test) {
  RETURN_IF_FAILED(StartRow(job, row, dropSize, 0));
  if (test > 0) {
    RETURN_IF_FAILED(Block(job, row.testColor, 720, row.lines));
    for (int line = 0; line < row.lines; ++line) {
      RETURN_IF_FAILED(BlankWithEndDot(job, line == row.lines - 1));
    }
    RETURN_IF_FAILED(job.ReturnHome());
  }
  RETURN_IF_FAILED(Block(job, row.testColor, 720, row.lines));
  const int third = row.lines / 3;
  for (int line = 0; line < row.lines; ++line) {
    if (line / third == 1) {
      const uint8_t endDot = line == 2 * third - 1 ? 0x01 : 0x00;
      RETURN_IF_FAILED(TestLine(job, row, test, endDot));
    } else {
      RETURN_IF_FAILED(FullLine(job, 0x00));
    }
  }
  RETURN_IF_FAILED(job.ReturnHome());
  // The last colour block of a pass moves the paper one unit instead of resetting, so that the
  // next pass lies one unit lower.
  if (row.inkGroup == kColorInk && test == 2) {
    RETURN_IF_FAILED(job.FeedPaper(1));
  } else {
    RETURN_IF_FAILED(job.ResetPrinter());
  }
  return job.FlushData();
}

ResultCode WriteBidValue(int dropSize, uint8_t inkGroup, uint8_t value) {
  return WriteBid(CurrentModelCode1(), CurrentModelCode2(), static_cast<uint8_t>(dropSize),
                  inkGroup, value);
}

// The Bi-D value of one row while the row prints: which values the printer may hold after each
// write, and the one more attempt to put the stored byte back when the row fails.
class RowBid {
 public:
  RowBid(int dropSize, uint8_t inkGroup, uint8_t stored)
      : dropSize_(dropSize), inkGroup_(inkGroup), stored_(stored), held_{stored} {}

  ResultCode WriteTemporary(uint8_t value) {
    touched_ = true;
    return Write(value);
  }
  // The write of the stored byte that ends the row.
  ResultCode WriteStored() { return Write(stored_); }
  // Ends a failed row: writes the stored byte once more unless the printer surely holds it, fills
  // `restore`, and hands the failure on unchanged. After a failed test write that is the restore;
  // after a failed final write it is that write's one retry. Never more than one: a printer that
  // refuses twice is reported as it stands, not hammered.
  ResultCode Failed(ResultCode failure, BidRestore* restore) {
    if (!touched_) return failure;
    const bool surelyStored = held_.size() == 1 && held_[0] == stored_;
    if (!surelyStored) WriteStored();
    if (restore != nullptr) {
      restore->touched = true;
      restore->dropSize = dropSize_;
      restore->inkGroup = inkGroup_;
      restore->stored = static_cast<int8_t>(stored_);
      restore->held.clear();
      for (uint8_t v : held_) restore->held.push_back(static_cast<int8_t>(v));
      std::sort(restore->held.begin(), restore->held.end());
    }
    return failure;
  }

 private:
  ResultCode Write(uint8_t value) {
    const ResultCode result = WriteBidValue(dropSize_, inkGroup_, value);
    if (result == rc::Success) {
      held_ = {value};
    } else if (!SurelyNotTaken(result) &&
               std::find(held_.begin(), held_.end(), value) == held_.end()) {
      held_.push_back(value);
    }
    return result;
  }
  // A refusal (the printer answered it, or nothing was sent: no port, no credit) changed nothing;
  // a time-out or a broken port leaves open whether the printer took the value.
  static bool SurelyNotTaken(ResultCode result) {
    return result == rc::PacketError || result == rc::CannotOpenPort ||
           result == rc::LinkTransmitError;
  }

  int dropSize_;
  uint8_t inkGroup_;
  uint8_t stored_;
  std::vector<uint8_t> held_;
  bool touched_ = false;
};

// The reference block and the three test blocks, each test block after WriteBid of its value.
ResultCode ReferenceAndTests(RasterJob& job, const BidPattern& pattern, const RowLayout& row,
                             int dropSize, uint8_t value, RowBid& bid) {
  RETURN_IF_FAILED(ReferenceBlock(job, pattern, row, dropSize));
  for (int test = 0; test < 3; ++test) {
    const auto temporary = static_cast<uint8_t>(value - 2 + 2 * test);
    RETURN_IF_FAILED(bid.WriteTemporary(temporary));
    RETURN_IF_FAILED(TestBlock(job, row, dropSize, test));
  }
  return rc::Success;
}

// Waits for the printer, reads the stored value of the row and prints the value line; stored
// receives the byte as read, for the restore.
ResultCode ReadAndLabelValues(RasterJob& job, const BidPattern& pattern, uint8_t inkGroup,
                              int dropSize, uint8_t& stored) {
  RETURN_IF_FAILED(WaitUntilIdle());
  RETURN_IF_FAILED(eeprom::ReadCell(eeprom::BidCell(dropSize, inkGroup), &stored));
  return pattern.PrintValueTriple(job, BidPattern::ClampForPattern(stored));
}

ResultCode AppendLabel(RasterJob& job, uint8_t inkGroup, int dropSize) {
  const char* label = LabelOf(inkGroup, dropSize);
  RETURN_IF_FAILED(job.AppendData(label, static_cast<int>(std::strlen(label))));
  RETURN_IF_FAILED(job.NewLines(1));
  return job.ResetPrinter();
}

}  // namespace

uint8_t BidPattern::ClampForPattern(uint8_t stored) {
  switch (stored) {
    case 35:
    case 36:
      return 33;
    case 220:
      return 222;
    case 221:
      return 223;
    default:
      return stored;
  }
}

void BidPattern::WriteValueText(int8_t value, char (&field)[4]) {
  char text[8];
  const int length = std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  const int copy = length + 1 <= 4 ? length + 1 : 4;
  std::memcpy(field, text, static_cast<std::size_t>(copy));
}

ResultCode BidPattern::BidReferenceLine(RasterJob& job) const {
  RETURN_IF_FAILED(job.RepeatSend(90, 0x00));
  for (int group = 0; group < 3; ++group) {
    RETURN_IF_FAILED(MarkGroup(job));
    RETURN_IF_FAILED(job.RepeatSend(90, 0x00));
    if (group != 2) RETURN_IF_FAILED(job.RepeatSend(90, 0x00));
  }
  return rc::Success;
}

ResultCode BidPattern::PrintValueTriple(RasterJob& job, uint8_t value) const {
  char field[4] = {0, 0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    RETURN_IF_FAILED(AppendWithNul(job, "         data = "));
    WriteValueText(static_cast<int8_t>(value - 2 + 2 * i), field);
    RETURN_IF_FAILED(job.AppendData(field, 4));
    if (i < 2) {
      RETURN_IF_FAILED(AppendWithNul(job, "       "));
    } else {
      RETURN_IF_FAILED(job.NewLines(1));
    }
  }
  RETURN_IF_FAILED(job.ReturnHome());
  return job.FlushData();
}

ResultCode BidPattern::PrintBlackBidRow(RasterJob& job, int dropSize, BidRestore* restore) const {
  RETURN_IF_FAILED(AppendLabel(job, kBlackInk, dropSize));
  uint8_t stored = 0;
  RETURN_IF_FAILED(ReadAndLabelValues(job, *this, kBlackInk, dropSize, stored));
  RowBid bid(dropSize, kBlackInk, stored);
  ResultCode result =
      ReferenceAndTests(job, *this, kBlackRow, dropSize, ClampForPattern(stored), bid);
  if (result == rc::Success) result = bid.WriteStored();
  if (result != rc::Success) return bid.Failed(result, restore);
  RETURN_IF_FAILED(job.NewLines(2));
  return job.FlushData();
}

ResultCode BidPattern::PrintColorBidRow(RasterJob& job, int dropSize, BidRestore* restore) const {
  RETURN_IF_FAILED(job.NewLines(1));
  RETURN_IF_FAILED(AppendLabel(job, kColorInk, dropSize));
  uint8_t stored = 0;
  RETURN_IF_FAILED(ReadAndLabelValues(job, *this, kColorInk, dropSize, stored));
  RowBid bid(dropSize, kColorInk, stored);
  // Three passes, each one unit below the one before, fill the 1/120-inch rows at 1/360 inch.
  ResultCode result = rc::Success;
  for (int pass = 0; pass < 3 && result == rc::Success; ++pass) {
    result = ReferenceAndTests(job, *this, kColorRow, dropSize, ClampForPattern(stored), bid);
  }
  if (result == rc::Success) result = job.ResetPrinter();
  if (result == rc::Success) result = bid.WriteStored();
  if (result != rc::Success) return bid.Failed(result, restore);
  RETURN_IF_FAILED(job.NewLines(3));
  return job.FlushData();
}

ResultCode BidPattern::PrintBidPattern(RasterJob& job, BidRestore* restore) const {
  RETURN_IF_FAILED(AppendWithNul(job, "Bi-D check pattern"));
  RETURN_IF_FAILED(job.NewLines(1));
  for (int dropSize = 1; dropSize <= 3; ++dropSize) {
    RETURN_IF_FAILED(PrintBlackBidRow(job, dropSize, restore));
    RETURN_IF_FAILED(PrintColorBidRow(job, dropSize, restore));
  }
  return rc::Success;
}
