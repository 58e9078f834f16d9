#include "print/raster.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/terminate.h"
#include "print/printtest_util.h"
#include "tests/support/fakes.h"

using printtest::Bytes;
using printtest::Hex;
using printtest::RecordingSender;
using testing::ElementsAre;

namespace {

struct Terminated {
  int status;
};

// Ends the program by throwing, so a test sees the request and keeps running.
class TerminateCatcher {
 public:
  TerminateCatcher() {
    previous_ = platform::SetTerminateHook([](int status) { throw Terminated{status}; });
  }
  ~TerminateCatcher() { platform::SetTerminateHook(previous_); }

 private:
  platform::TerminateHook previous_;
};

class RasterJobTest : public testing::Test {
 protected:
  std::string Appended(const std::function<ResultCode(RasterJob&)>& operation) {
    RasterJob job(sender_.AsSender());
    EXPECT_EQ(operation(job), rc::Success);
    EXPECT_TRUE(sender_.sends().empty());
    return Hex(job.Waiting());
  }
  std::vector<uint8_t> Filler(int count, uint8_t first = 0) {
    std::vector<uint8_t> bytes(count);
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
  }

  RecordingSender sender_;
};

TEST_F(RasterJobTest, SetUpCommandsAppendTheirTemplates) {
  EXPECT_EQ(Appended([](RasterJob& j) { return j.ResetPrinter(); }), "1B 40");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.SelectGraphicsMode(); }), "1B 28 47 01 00 01");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.SetUnit(10); }), "1B 28 55 01 00 0A");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.SetDirection(0); }), "1B 55 00");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.SetColorMode(0); }), "1B 28 4B 02 00 00 00");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.SetColorMode(2); }), "1B 28 4B 02 00 00 02");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.SetRasterResolution(0x68, 0x01, 3, 1); }),
            "1B 28 44 04 00 68 01 03 01");
  EXPECT_EQ(Appended([](RasterJob& j) {
              return j.SetPaperSize({0xA0, 0x0B, 0x00, 0x00}, {0x70, 0x10, 0x00, 0x00});
            }),
            "1B 28 53 08 00 A0 0B 00 00 70 10 00 00");
  EXPECT_EQ(Appended([](RasterJob& j) {
              return j.SetPageMargins({0x2A, 0x00, 0x00, 0x00}, {0x1E, 0x1F, 0x00, 0x00});
            }),
            "1B 28 63 08 00 2A 00 00 00 1E 1F 00 00");
}

TEST_F(RasterJobTest, StartJobAppendsTheSixCommandsInOrder) {
  RasterJob job(sender_.AsSender());
  ASSERT_EQ(job.StartJob(10, 1, 1, 1), rc::Success);
  EXPECT_EQ(job.Fill(), 31);
  EXPECT_EQ(Hex(job.Waiting()),
            "1B 40 1B 28 47 01 00 01 1B 28 55 01 00 0A 1B 55 01 1B 28 65 02 00 00 12 "
            "1B 28 4B 02 00 00 01");
}

TEST_F(RasterJobTest, DotSizeMapsTheDropSizes) {
  const std::vector<std::pair<int, std::string>> cases = {{0, "00"}, {1, "12"}, {2, "11"},
                                                          {3, "10"}, {7, "00"}, {255, "00"}};
  for (const auto& [kind, byte] : cases) {
    EXPECT_EQ(Appended([k = kind](RasterJob& j) { return j.SetDotSize(static_cast<uint8_t>(k)); }),
              "1B 28 65 02 00 00 " + byte)
        << "kind " << kind;
  }
}

TEST_F(RasterJobTest, StartRasterMapsTheColours) {
  EXPECT_EQ(Appended([](RasterJob& j) { return j.StartRaster(131, 1, 2, 0xD0, 0x02, 0x30, 0x00); }),
            "1B 69 02 01 02 D0 02 30 00");
  const std::vector<std::pair<int, int>> colours = {{1, 0x00},   {129, 0x01}, {130, 0x11},
                                                    {131, 0x02}, {132, 0x12}, {133, 0x04},
                                                    {0, 0x00},   {2, 0x00},   {134, 0x00}};
  for (const auto& [colour, byte] : colours) {
    EXPECT_EQ(RasterJob::ColorByte(static_cast<uint8_t>(colour)), byte) << "colour " << colour;
  }
}

TEST_F(RasterJobTest, RunsAreCodedAsOneLiteralOrARepeat) {
  EXPECT_EQ(Appended([](RasterJob& j) { return j.RepeatSend(1, 0xC0); }), "00 C0");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.RepeatSend(129, 0x00); }), "80 00");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.RepeatSend(120, 0xFF); }), "89 FF");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.RepeatSend(2, 0x55); }), "FF 55");
  // Every count decodes back to itself.
  for (int count = 1; count <= 129; ++count) {
    RasterJob job(sender_.AsSender());
    ASSERT_EQ(job.StartRaster(1, 1, 2, static_cast<uint8_t>(count), 0, 1, 0), rc::Success);
    ASSERT_EQ(job.RepeatSend(static_cast<uint8_t>(count), 0xAA), rc::Success);
    const printtest::Decoded decoded = printtest::Decode(job.Waiting());
    ASSERT_EQ(decoded.error, "") << "count " << count;
    ASSERT_EQ(decoded.blocks.size(), 1u);
    EXPECT_EQ(decoded.blocks[0].data[0], std::vector<uint8_t>(count, 0xAA)) << "count " << count;
  }
}

TEST_F(RasterJobTest, MovementAppendsFeedsMovesAndLineEnds) {
  EXPECT_EQ(Appended([](RasterJob& j) { return j.FeedPaper(141); }), "1B 28 76 02 00 8D 00 0D");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.FeedPaper(0); }), "1B 28 76 02 00 00 00 0D");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.MoveRight(1440); }), "1B 5C A0 05");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.MoveRight(960); }), "1B 5C C0 03");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.MoveRight(0); }), "1B 5C 00 00");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.MoveRight(2400); }), "1B 5C 60 09");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.ReturnHome(); }), "1B 3C 0D");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.NewLines(0); }), "");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.NewLines(-3); }), "");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.NewLines(3); }), "0D 0A 0D 0A 0D 0A");
  EXPECT_EQ(Appended([](RasterJob& j) { return j.FormFeed(); }), "0C");
}

TEST_F(RasterJobTest, RemotePreambleHasItsThreePieces) {
  ASSERT_EQ(remotepreamble::kPieces.size(), 3u);
  EXPECT_EQ(Hex(remotepreamble::kPieces[0]), "1B 28 52 08 00 00 52 45 4D 4F 54 45 31");
  EXPECT_EQ(Hex(remotepreamble::kPieces[1]), "53 4E 03 00 00 00 03");
  EXPECT_EQ(Hex(remotepreamble::kPieces[2]), "1B 00 00 00");
}

// --- Buffering and sends ---

TEST_F(RasterJobTest, SendsExactlyAtTheThresholdAndTheRestOnFlush) {
  RasterJob job(sender_.AsSender());
  EXPECT_EQ(job.FlushData(), rc::Success);
  EXPECT_EQ(sender_.attempts(), 0);

  const std::vector<uint8_t> bytes = Filler(999);
  ASSERT_EQ(job.AppendData(bytes.data(), 999), rc::Success);
  EXPECT_TRUE(sender_.sends().empty());
  EXPECT_EQ(job.Fill(), 999);
  const uint8_t one = 0xEE;
  ASSERT_EQ(job.AppendData(&one, 1), rc::Success);
  ASSERT_EQ(sender_.sends().size(), 1u);
  EXPECT_EQ(sender_.sends()[0].size(), 1000u);
  EXPECT_EQ(sender_.sends()[0].back(), 0xEE);
  EXPECT_EQ(job.Fill(), 0);
  EXPECT_EQ(job.AppendData(&one, 0), rc::Success);
  EXPECT_EQ(job.AppendData(&one, -5), rc::Success);
  EXPECT_EQ(job.Fill(), 0);
}

TEST_F(RasterJobTest, AStreamGoesOutInThousandsAndOneShorterSend) {
  RasterJob job(sender_.AsSender());
  const std::vector<uint8_t> stream = Filler(2500, 7);
  for (std::size_t i = 0; i < stream.size(); i += 5) {
    ASSERT_EQ(job.AppendData(stream.data() + i, 5), rc::Success);
  }
  EXPECT_THAT(sender_.Sizes(), ElementsAre(1000, 1000));
  ASSERT_EQ(job.FlushData(), rc::Success);
  EXPECT_THAT(sender_.Sizes(), ElementsAre(1000, 1000, 500));
  EXPECT_EQ(sender_.Stream(), stream);
  EXPECT_EQ(job.Fill(), 0);
  // A single append larger than the threshold splits the same way.
  RecordingSender other;
  RasterJob big(other.AsSender());
  const std::vector<uint8_t> block = Filler(1024);
  ASSERT_EQ(big.AppendData(block.data(), 1024), rc::Success);
  ASSERT_EQ(big.AppendData(block.data(), 1024), rc::Success);
  EXPECT_THAT(other.Sizes(), ElementsAre(1000, 1000));
  EXPECT_EQ(big.Fill(), 48);
}

TEST_F(RasterJobTest, AFailedSendKeepsTheBytesQueuedForTheNextFlush) {
  RasterJob job(sender_.AsSender());
  const std::vector<uint8_t> head = Filler(998);
  ASSERT_EQ(job.AppendData(head.data(), 998), rc::Success);
  sender_.FailFrom(1, rc::LinkTransmitError, 1);
  // The second byte of this call makes 1000; that send fails and the rest of the call is not
  // appended.
  const std::vector<uint8_t> tail = Bytes({0xA1, 0xA2, 0xA3, 0xA4});
  EXPECT_EQ(job.AppendData(tail.data(), 4), rc::LinkTransmitError);
  EXPECT_EQ(job.Fill(), 1000);
  EXPECT_TRUE(sender_.sends().empty());

  ASSERT_EQ(job.FlushData(), rc::Success);
  ASSERT_EQ(sender_.sends().size(), 1u);
  std::vector<uint8_t> expected = head;
  expected.push_back(0xA1);
  expected.push_back(0xA2);
  EXPECT_EQ(sender_.sends()[0], expected);
  EXPECT_EQ(job.Fill(), 0);
}

TEST_F(RasterJobTest, AFailedFlushLeavesBufferAndFillAsTheyWere) {
  RasterJob job(sender_.AsSender());
  ASSERT_EQ(job.StartJob(10, 1, 1, 1), rc::Success);
  sender_.FailFrom(1, rc::ReceiveTimeout, 1);
  EXPECT_EQ(job.FlushData(), rc::ReceiveTimeout);
  EXPECT_EQ(job.Fill(), 31);
  ASSERT_EQ(job.FlushData(), rc::Success);
  EXPECT_THAT(sender_.Sizes(), ElementsAre(31));
}

TEST_F(RasterJobTest, RepeatedFailedSendsNeverGrowTheBufferPastItsThreshold) {
  RasterJob job(sender_.AsSender());
  sender_.FailFrom(1, rc::PortTransmitError);
  const std::vector<uint8_t> bytes = Filler(1024, 3);
  EXPECT_EQ(job.AppendData(bytes.data(), 1024), rc::PortTransmitError);
  EXPECT_EQ(job.Fill(), 1000);
  // Every later append first tries to send the full buffer and stores nothing while it fails.
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(job.AppendData(bytes.data(), 1024), rc::PortTransmitError);
    EXPECT_EQ(job.RepeatSend(129, 0x00), rc::PortTransmitError);
    EXPECT_EQ(job.StartJob(10, 1, 1, 1), rc::PortTransmitError);
    ASSERT_EQ(job.Fill(), 1000);
  }
  EXPECT_EQ(Hex(job.Waiting().subspan(0, 3)), "03 04 05");

  // Once the link is back, the queued bytes go first and the append continues behind them.
  sender_.FailFrom(0, rc::Success);
  ASSERT_EQ(job.ResetPrinter(), rc::Success);
  ASSERT_EQ(sender_.sends().size(), 1u);
  EXPECT_EQ(sender_.sends()[0], std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1000));
  EXPECT_EQ(Hex(job.Waiting()), "1B 40");
}

TEST_F(RasterJobTest, DiscardedBytesNeverReachThePrinter) {
  RasterJob job(sender_.AsSender());
  sender_.FailFrom(1, rc::LinkTransmitError, 1);
  const std::vector<uint8_t> bytes = Filler(1010);
  EXPECT_EQ(job.AppendData(bytes.data(), 1010), rc::LinkTransmitError);
  job.DiscardWaiting();
  EXPECT_EQ(job.Fill(), 0);
  EXPECT_EQ(job.FlushData(), rc::Success);
  ASSERT_EQ(job.FormFeed(), rc::Success);
  ASSERT_EQ(job.FlushData(), rc::Success);
  ASSERT_EQ(sender_.sends().size(), 1u);
  EXPECT_EQ(Hex(sender_.sends()[0]), "0C");
}

TEST_F(RasterJobTest, AFailedPrintDropsItsOwnBytesAndKeepsWhatAnEarlierOneLeft) {
  RasterJob job(sender_.AsSender());
  ASSERT_EQ(job.FormFeed(), rc::Success);  // left by a print that succeeded
  job.BeginPrint();
  const std::vector<uint8_t> block = Filler(600);
  ASSERT_EQ(job.AppendData(block.data(), 600), rc::Success);
  sender_.FailFrom(1, rc::LinkReceiveError, 1);
  EXPECT_EQ(job.AppendData(block.data(), 600), rc::LinkReceiveError);
  job.DiscardFailedPrint();
  EXPECT_EQ(Hex(job.Waiting()), "0C");

  // Once the form feed has gone out with the failed print's first send, nothing is kept.
  job.BeginPrint();
  ASSERT_EQ(job.AppendData(block.data(), 600), rc::Success);
  ASSERT_EQ(job.AppendData(block.data(), 600), rc::Success);  // the send of 1000 goes out
  EXPECT_EQ(job.Fill(), 201);
  job.DiscardFailedPrint();
  EXPECT_EQ(job.Fill(), 0);
  ASSERT_EQ(sender_.sends().size(), 1u);
  EXPECT_EQ(sender_.sends()[0][0], 0x0C);
  // A later print that fails carries nothing over either.
  job.BeginPrint();
  ASSERT_EQ(job.ResetPrinter(), rc::Success);
  job.DiscardFailedPrint();
  EXPECT_EQ(job.Fill(), 0);
}

TEST_F(RasterJobTest, ACompositeStopsAtTheFailingStep) {
  RasterJob job(sender_.AsSender());
  const std::vector<uint8_t> head = Filler(990);
  ASSERT_EQ(job.AppendData(head.data(), 990), rc::Success);
  sender_.FailFrom(1, rc::LinkTransmitError, 1);
  // Reset (992) and graphics mode (998) fit; the unit command reaches 1000 at its second byte.
  EXPECT_EQ(job.StartJob(10, 1, 1, 1), rc::LinkTransmitError);
  EXPECT_EQ(job.Fill(), 1000);
  EXPECT_EQ(Hex(job.Waiting().subspan(990)), "1B 40 1B 28 47 01 00 01 1B 28");
  EXPECT_EQ(job.NewLines(2), rc::Success);  // the resend succeeds and the line ends follow
  EXPECT_EQ(Hex(job.Waiting()), "0D 0A 0D 0A");
}

TEST_F(RasterJobTest, DirectSendsGoAheadOfTheWaitingBytes) {
  RasterJob job(sender_.AsSender());
  ASSERT_EQ(job.ResetPrinter(), rc::Success);
  ASSERT_EQ(job.SendRemotePreamble(), rc::Success);
  EXPECT_EQ(Hex(job.Waiting()), "1B 40");
  ASSERT_EQ(job.FlushData(), rc::Success);
  EXPECT_THAT(sender_.Sizes(), ElementsAre(13, 7, 4, 2));
  EXPECT_EQ(Hex(sender_.sends()[3]), "1B 40");

  // A failing piece ends the preamble there.
  sender_.FailFrom(sender_.attempts() + 2, rc::LinkTransmitError, 1);
  EXPECT_EQ(job.SendRemotePreamble(), rc::LinkTransmitError);
  EXPECT_THAT(sender_.Sizes(), ElementsAre(13, 7, 4, 2, 13));
}

// --- Programming errors ---

TEST_F(RasterJobTest, AnAppendLongerThanTheBufferEndsTheProgram) {
  testing_support::FakeDialogs dialogs;
  TerminateCatcher catcher;
  RasterJob job(sender_.AsSender());
  const std::vector<uint8_t> bytes(1025, 0);
  try {
    job.AppendData(bytes.data(), 1025);
    FAIL() << "the program went on";
  } catch (const Terminated& t) {
    EXPECT_EQ(t.status, 0);
  }
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].request.text, "Program miss!!!");
  EXPECT_EQ(dialogs.shown()[0].request.type, platform::DlgType::Error);
  EXPECT_EQ(dialogs.shown()[0].request.buttons, platform::DlgButtons::Ok);
  EXPECT_EQ(job.Fill(), 0);
  EXPECT_EQ(sender_.attempts(), 0);
}

TEST_F(RasterJobTest, ARunThatCannotBeCodedEndsTheProgram) {
  for (int count : {130, 255, 0}) {
    testing_support::FakeDialogs dialogs;
    TerminateCatcher catcher;
    RasterJob job(sender_.AsSender());
    EXPECT_THROW(job.RepeatSend(static_cast<uint8_t>(count), 0xFF), Terminated) << count;
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].request.text, "RepeatSend() error");
    EXPECT_EQ(dialogs.shown()[0].request.type, platform::DlgType::Error);
    EXPECT_EQ(job.Fill(), 0);
  }
}

TEST_F(RasterJobTest, AColourModeAboveTwoOnlyWarns) {
  testing_support::FakeDialogs dialogs;
  EXPECT_EQ(Appended([](RasterJob& j) { return j.SetColorMode(3); }), "1B 28 4B 02 00 00 03");
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].request.text, "program miss!!!\nRaster:SetColorMode");
  EXPECT_EQ(dialogs.shown()[0].request.caption, "error");
  EXPECT_EQ(dialogs.shown()[0].request.buttons, platform::DlgButtons::Ok);
  dialogs.Clear();
  EXPECT_EQ(Appended([](RasterJob& j) { return j.SetColorMode(2); }), "1B 28 4B 02 00 00 02");
  EXPECT_TRUE(dialogs.shown().empty());
}

}  // namespace
