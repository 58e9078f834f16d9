// The print-data interpreter fed a hostile stream in random pieces: the sheet, the position and
// everything it reports must be exactly what the same stream gives when it is fed whole, since
// the data channel cuts the stream wherever its packets end. The same holds for an engine whose
// input tray runs empty every few sheets and is given the rest once paper is loaded again; it
// must stop exactly when it is refused a sheet, and feed no sheet it did not ask for.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vprinter/printengine.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Sheets go nowhere: writing a PNG per form feed would make the fuzzer crawl, and a lost sheet is
// reported like a written one.
constexpr char kNoTray[] = "/dev/null/quorla-fuzz-tray";

struct Events : vprinter::EngineEvents {
  std::vector<std::string> log;
  void SheetEjected(const std::string& file) override { log.push_back("sheet " + file); }
  // A run of skipped bytes is reported once per piece it spans ("text in graphics mode (20
  // bytes)" whole, two reports when the stream is cut inside it): it is compared byte by byte.
  void Skipped(const std::string& what, uint64_t offset) override {
    const std::size_t open = what.rfind(" (");
    const bool run =
        open != std::string::npos && (what.ends_with(" byte)") || what.ends_with(" bytes)"));
    const uint64_t count = run ? std::strtoull(what.c_str() + open + 2, nullptr, 10) : 0;
    if (count == 0) {
      log.push_back("skip " + what + " @" + std::to_string(offset));
      return;
    }
    for (uint64_t i = 0; i < count; ++i) {
      log.push_back("skip " + what.substr(0, open) + " @" + std::to_string(offset + i));
    }
  }
  void RemoteCommand(const std::string& name, std::size_t length,
                     const std::vector<uint8_t>& params, uint64_t offset) override {
    log.push_back("remote " + name + " " + std::to_string(length) + " " +
                  std::string(params.begin(), params.end()) + " @" + std::to_string(offset));
  }
  void SheetLost(const std::string&) override { log.push_back("lost"); }
  // The input tray: -1 never runs out.
  bool FeedSheet() override {
    if (paper == 0) {
      refused = true;
      return false;
    }
    if (paper > 0) --paper;
    ++fed;
    return true;
  }
  int paper = -1;
  bool refused = false;
  int fed = 0;
};

struct Engine {
  Events events;
  vprinter::PrintEngine engine{kNoTray, events};
};

void Same(Engine& a, Engine& b) {
  Check(a.events.log == b.events.log);
  Check(a.engine.BytesConsumed() == b.engine.BytesConsumed());
  Check(a.engine.SheetsEjected() == b.engine.SheetsEjected());
  Check(a.engine.InRemoteMode() == b.engine.InRemoteMode());
  Check(a.engine.SheetInProgress() == b.engine.SheetInProgress());
  Check(a.engine.Position().x == b.engine.Position().x);
  Check(a.engine.Position().y == b.engine.Position().y);
  for (int ink = 0; ink < vprinter::kInkCount; ++ink) {
    Check(a.engine.DotsPrinted(ink) == b.engine.DotsPrinted(ink));
  }
  Check(std::memcmp(a.engine.SheetPixels(), b.engine.SheetPixels(),
                    static_cast<std::size_t>(vprinter::kSheetWidth) * vprinter::kSheetHeight) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Three engines for the whole run: each holds an A4 sheet, too big to allocate per input.
  static Engine* whole = new Engine;
  static Engine* pieces = new Engine;
  static Engine* starved = new Engine;
  FuzzedDataProvider in(data, size);
  // The cuts come first, the stream is the rest.
  std::vector<std::size_t> cuts;
  const int count = in.ConsumeIntegralInRange<int>(0, 16);
  for (int i = 0; i < count; ++i) cuts.push_back(in.ConsumeIntegralInRange<std::size_t>(1, 64));
  const std::vector<uint8_t> stream = in.ConsumeRemainingBytes<uint8_t>();

  // Both start from the same settings and a fresh command state for every input.
  vprinter::PrintSettings settings;
  settings.topMargin = static_cast<int8_t>(stream.empty() ? 0 : stream[0]);
  for (Engine* e : {whole, pieces, starved}) {
    e->events.log.clear();
    e->engine.SetSettings(settings);
    e->engine.PowerOnReset();
    e->engine.EjectSheet();
    e->events.log.clear();
  }
  whole->engine.Consume(stream.data(), stream.size());
  std::size_t at = 0;
  for (std::size_t i = 0; at < stream.size(); ++i) {
    const std::size_t n = std::min(stream.size() - at, cuts.empty() ? 1 : cuts[i % cuts.size()]);
    pieces->engine.Consume(stream.data() + at, n);
    at += n;
  }
  // Offsets count from construction: compare what this input added.
  Same(*whole, *pieces);

  const int reload = 1 + count % 3;
  const int ejectedBefore = starved->engine.SheetsEjected();
  starved->events.paper = reload;
  starved->events.fed = 0;
  at = 0;
  for (std::size_t i = 0; at < stream.size(); ++i) {
    const std::size_t n = std::min(stream.size() - at, cuts.empty() ? 1 : cuts[i % cuts.size()]);
    for (std::size_t done = 0; done < n;) {
      starved->events.refused = false;
      const std::size_t took = starved->engine.Consume(stream.data() + at + done, n - done);
      Check(starved->events.refused ? took < n - done : took == n - done);
      done += took;
      if (starved->events.refused) starved->events.paper = reload;
    }
    at += n;
  }
  Same(*whole, *starved);
  Check(starved->events.fed == starved->engine.SheetsEjected() - ejectedBefore +
                                   (starved->engine.SheetInProgress() ? 1 : 0));
  return 0;
}
