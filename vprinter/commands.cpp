#include "vprinter/commands.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <random>
#include <sstream>

#include "vprinter/headlabel.h"
#include "vprinter/mechanism.h"
#include "vprinter/status.h"

namespace vprinter {

namespace {

using Words = std::vector<std::string>;

// A whole number that fits an int: a longer one is refused rather than wrapped into range by the
// narrowing of the command that takes it.
// A number as typed within [low, high]; nothing wraps or is narrowed into range.
bool ParseNumber(const std::string& text, long long low, long long high, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 0);
  if (end == nullptr || *end != '\0' || errno == ERANGE || v < low || v > high) return false;
  *value = static_cast<long>(v);
  return true;
}

bool ParseInt(const std::string& text, long* value) {
  return ParseNumber(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), value);
}

bool ParseError(const std::string& text, uint16_t* error) {
  for (const status::NamedError& n : status::kNamedErrors) {
    if (text == n.name) {
      *error = n.code;
      return true;
    }
  }
  long value = 0;
  if (!ParseInt(text, &value) || value < 1 || value > 0xFFFF) return false;
  *error = static_cast<uint16_t>(value);
  return true;
}

CommandResult Fail(const std::string& text) {
  return {false, false, "error: " + text};
}

CommandResult Ok(const std::string& text = "ok") {
  return {true, false, text};
}

// "clog ROW NOZZLE...", "unclog ROW NOZZLE...": every nozzle is checked before any changes.
CommandResult Nozzles(Printer& p, const Words& w, bool clog) {
  const std::string usage = "usage: " + w[0] + " ROW NOZZLE...";
  if (w.size() < 3) return Fail(usage);
  const std::optional<int> row = HeadRowFromName(w[1]);
  if (!row) return Fail("unknown nozzle row " + w[1] + " (black, cyan, magenta, yellow)");
  std::vector<int> nozzles;
  for (std::size_t i = 2; i < w.size(); ++i) {
    long n = 0;
    if (!ParseInt(w[i], &n) || n < 0 || n >= head::Nozzles(*row)) {
      return Fail("the " + w[1] + " row has nozzles 0.." + std::to_string(head::Nozzles(*row) - 1));
    }
    nozzles.push_back(static_cast<int>(n));
  }
  for (int n : nozzles) {
    if (clog) {
      p.op.ClogNozzle(*row, n);
    } else {
      p.op.ClearNozzle(*row, n);
    }
  }
  return Ok();
}

std::string CloggedList(const HeadState& head) {
  std::string text;
  for (int row = 0; row < head::kRows; ++row) {
    text += text.empty() ? "" : "\n";
    text += HeadRowName(row);
    text += ":";
    int count = 0;
    for (int n = 0; n < head::Nozzles(row); ++n) {
      if (!head.Clogged(row, n)) continue;
      text += ' ';
      text += std::to_string(n);
      ++count;
    }
    if (count == 0) text += " none clogged";
  }
  return text;
}

std::string Hex2(unsigned v) {
  char out[8];
  std::snprintf(out, sizeof out, "0x%02X", v);
  return out;
}

CommandResult ArmFault(Printer& p, const Words& w) {
  const std::string& c = w[0];
  const std::size_t want = c == "drop-at" ? 3 : 4;
  if (w.size() != want) return Fail("usage: " + c + (want == 3 ? " OP N" : " OP N CODE"));
  const std::optional<Op> op = OpFromName(w[1]);
  if (!op) return Fail("unknown op " + w[1]);
  long n = 0, code = 0;
  if (!ParseInt(w[2], &n) || n < 1) return Fail("N must be 1 or more");
  if (c == "drop-at") {
    p.faults.DropLinkAtNth(*op, static_cast<int>(n));
    return Ok();
  }
  if (!ParseInt(w[3], &code) || code < -32768 || code > 32767) return Fail("bad code");
  if (c == "fail") {
    p.faults.FailNth(*op, static_cast<int>(n), static_cast<int16_t>(code));
  } else {
    p.faults.FailNthWithPacketError(*op, static_cast<int>(n), static_cast<int16_t>(code));
  }
  return Ok();
}

CommandResult Refuse(Printer& p, const Words& w) {
  long code = 0;
  if (w.size() != 3 || !ParseInt(w[2], &code) || code < -32768 || code > 32767) {
    return Fail("usage: refuse SERVICE|all CODE");
  }
  p.faults.RefuseChannel(w[1] == "all" ? "" : w[1], static_cast<int16_t>(code));
  return Ok();
}

CommandResult Busy(Printer& p, const Words& w) {
  long n = 0;
  if (w.size() != 2 || !ParseInt(w[1], &n) || n < 0) return Fail("usage: busy N");
  p.faults.BusyForPolls(static_cast<int>(n));
  return Ok();
}

CommandResult RaiseError(Printer& p, const Words& w) {
  uint16_t error = 0;
  if (w.size() != 2 || !ParseError(w[1], &error)) return Fail("usage: error CODE|NAME");
  p.op.RaiseError(error);
  return Ok();
}

CommandResult ForceStatus(Printer& p, const Words& w) {
  if (w.size() == 2 && w[1] == "real") {
    p.op.ForceStatus(std::nullopt);
    return Ok();
  }
  long n = 0;
  if (w.size() != 2 || !ParseInt(w[1], &n) || n < 0 || n > 0xFFFF) {
    return Fail("usage: status VALUE|real");
  }
  p.op.ForceStatus(static_cast<uint16_t>(n));
  return Ok();
}

CommandResult Eeprom(Printer& p, const Words& w) {
  long addr = 0, value = 0;
  if (w.size() < 2 || w.size() > 3 || !ParseInt(w[1], &addr) || addr < 0 || addr > 255) {
    return Fail("usage: eeprom ADDR [VALUE]");
  }
  if (w.size() == 3) {
    if (!ParseInt(w[2], &value) || value < -128 || value > 255) return Fail("bad value");
    p.op.PokeEeprom(static_cast<uint8_t>(addr), static_cast<uint8_t>(value));
  }
  return Ok(Hex2(static_cast<unsigned>(addr)) + " = " +
            Hex2(p.op.PeekEeprom(static_cast<uint8_t>(addr))));
}

CommandResult Chip(Printer& p, const Words& w) {
  long cart = 0, addr = 0, value = 0;
  if (w.size() < 3 || w.size() > 4 || !ParseInt(w[1], &cart) || cart < 0 || cart > 1 ||
      !ParseInt(w[2], &addr) || addr < 0 || addr >= static_cast<long>(kChipSize)) {
    return Fail("usage: chip CART ADDR [VALUE]");
  }
  if (w.size() == 4) {
    if (!ParseInt(w[3], &value) || value < 0 || value > 255) return Fail("bad value");
    p.op.PokeChip(static_cast<int>(cart), static_cast<uint8_t>(addr), static_cast<uint8_t>(value));
  }
  return Ok("chip " + std::to_string(cart) + " " + std::to_string(addr) + " = " +
            std::to_string(p.op.PeekChip(static_cast<int>(cart), static_cast<uint8_t>(addr))));
}

CommandResult ReplaceBoard(Printer& p, const Words&) {
  if (!p.op.ReplaceMainBoard()) return Fail("switch the printer off first (power-off)");
  return Ok();
}

CommandResult ReplaceCartridge(Printer& p, const Words& w) {
  long cart = 0;
  if (w.size() != 2 || !ParseInt(w[1], &cart) || cart < 0 || cart > 1) {
    return Fail("usage: replace-cartridge 0|1");
  }
  p.op.ReplaceCartridge(static_cast<int>(cart));
  return Ok();
}

CommandResult ReplaceHead(Printer& p, const Words& w) {
  if (w.size() > 2) return Fail("usage: replace-head [ID]");
  std::string label = w.size() == 2 ? w[1] : MakeHeadLabel(std::random_device{}());
  if (const std::string fault = HeadLabelFault(label); !fault.empty()) {
    return Fail("not a head ID: " + fault);
  }
  p.op.ReplaceHead(label);
  return Ok("a new head, its label reads " + label);
}

CommandResult BidOffset(Printer& p, const Words& w) {
  long drop = 0, group = 0, offset = 0;
  if (w.size() != 4 || !ParseInt(w[1], &drop) || !ParseInt(w[2], &group) ||
      !ParseInt(w[3], &offset) ||
      !p.op.SetBidOffset(static_cast<int>(drop), static_cast<int>(group),
                         static_cast<int>(offset))) {
    return Fail("usage: bid-offset DROP GROUP OFFSET (DROP 1..3, GROUP 1..2, OFFSET -40..40)");
  }
  return Ok();
}

CommandResult FeedOffset(Printer& p, const Words& w) {
  long top = 0, left = 0;
  if (w.size() != 3 || !ParseInt(w[1], &top) || !ParseInt(w[2], &left) ||
      !p.op.SetFeedOffset(static_cast<int>(top), static_cast<int>(left))) {
    return Fail("usage: feed-offset TOP LEFT (TOP -50..50, LEFT -72..72)");
  }
  return Ok();
}

CommandResult Judge(Printer& p, const Words& w) {
  if (w.size() != 1) return Fail("usage: judge");
  if (p.training == nullptr) return Fail("no scenario is running (--scenario FILE)");
  return Ok(p.training->Judge());
}

CommandResult LoadPaper(Printer& p, const Words& w) {
  long sheets = PaperTray::kCapacity;
  if (w.size() > 2 || (w.size() == 2 && !ParseInt(w[1], &sheets)) || sheets < 0 ||
      sheets > PaperTray::kCapacity) {
    return Fail("usage: load-paper [N] (0.." + std::to_string(PaperTray::kCapacity) + " sheets)");
  }
  p.op.LoadPaper(static_cast<int>(sheets));
  return Ok("the tray holds " + std::to_string(sheets) + " sheets");
}

// "clog random N [SEED]": refused when no nozzle was left open to clog.
CommandResult ClogRandom(Printer& p, const Words& w) {
  long count = 0, seed = 0;
  if (w.size() < 3 || w.size() > 4 || !ParseInt(w[2], &count) || count < 1 ||
      (w.size() == 4 && !ParseNumber(w[3], 0, 0xFFFFFFFFLL, &seed))) {
    return Fail("usage: clog random N [SEED]");
  }
  if (w.size() == 3) seed = static_cast<long>(std::random_device()() & 0x7FFFFFFF);
  const int clogged = p.op.ClogRandomNozzles(static_cast<int>(std::min<long>(count, 1000)),
                                             static_cast<uint32_t>(seed));
  if (clogged == 0) return Fail("no nozzle was open to clog (seed " + std::to_string(seed) + ")");
  return Ok("clogged " + std::to_string(clogged) + " nozzles (seed " + std::to_string(seed) + ")");
}

CommandResult Clog(Printer& p, const Words& w) {
  if (w.size() >= 2 && w[1] == "random") return ClogRandom(p, w);
  return Nozzles(p, w, true);
}

CommandResult Unclog(Printer& p, const Words& w) {
  if (w.size() == 2 && w[1] == "all") {
    p.op.ClearNozzles();
    return Ok();
  }
  return Nozzles(p, w, false);
}

CommandResult HeadAngle(Printer& p, const Words& w) {
  long angle = 0;
  if (w.size() == 1) return Ok("head angle " + std::to_string(p.op.Head().angle));
  if (w.size() != 2 || !ParseInt(w[1], &angle) || angle < -head::kMaxAngle ||
      angle > head::kMaxAngle) {
    return Fail("usage: head-angle [TENTHS] (-" + std::to_string(head::kMaxAngle) + ".." +
                std::to_string(head::kMaxAngle) + " tenths of a degree)");
  }
  p.op.SetHeadAngle(static_cast<int>(angle));
  return Ok();
}

CommandResult TimeScale(Printer& p, const Words& w) {
  const std::optional<double> scale = w.size() == 2 ? ParseTimeScale(w[1]) : std::nullopt;
  if (!scale) return Fail("usage: time-scale X (0 to 1000)");
  p.op.SetTimeScale(*scale);
  return Ok();
}

CommandResult Show(Printer& p, const Words&) {
  if (!p.op.PoweredOn()) return Ok("power off");
  const auto [st, err] = p.op.CurrentStatus();
  const PrinterState s = p.op.State();
  const auto [carriage, paper] = p.op.MechanismPosition();
  const std::string place = p.op.CarriagePlace();
  char text[512];
  std::snprintf(text, sizeof text,
                "status 0x%04X error 0x%04X counter %u ink %u%% %u%% %u%% %u%% carriage %ld%s%s%s "
                "paper %ld liquid path %s cartridges %s pending %zu bytes tray %d sheets "
                "clogged nozzles %d head angle %d",
                st, err, s.ProtectionCounter(), s.chips[0][0], s.chips[1][0], s.chips[1][1],
                s.chips[1][2], carriage, place.empty() ? "" : " (", place.c_str(),
                place.empty() ? "" : ")", paper, LiquidName(s.liquidPath),
                CartridgesName(s.cartridges), p.op.PendingPrintBytes(), p.op.PaperInTray(),
                s.head.CloggedCount(), s.head.angle);
  return Ok(text);
}

// Commands that only call the printer and are always done.
template <auto kAction>
CommandResult Operate(Printer& p, const Words&) {
  (p.op.*kAction)();
  return Ok();
}

template <auto kAction>
CommandResult Inject(Printer& p, const Words&) {
  (p.faults.*kAction)();
  return Ok();
}

CommandResult Help(Printer&, const Words&);

// Every operator command, in the order "help" lists them. A command whose synopsis is empty is
// listed with the one before it; an entry without a run function is a second help line of the
// command before it.
constexpr OperatorCommand kCommands[] = {
    {"fail", "fail OP N RESULT",
     "the Nth OP from now answers RESULT (e.g. fail eeprom_write 3 -103)", ArmFault},
    {"fail-packet", "fail-packet OP N CODE",
     "the Nth OP from now is refused with packet error CODE (8192)", ArmFault},
    {"drop-at", "drop-at OP N", "the Nth OP from now closes the link instead of answering",
     ArmFault},
    {"stop", "stop | resume", "stop or resume answering", Inject<&FaultInjection::StopAnswering>},
    {"resume", "", "", Inject<&FaultInjection::ResumeAnswering>},
    {"drop", "drop", "close every connection now", Inject<&FaultInjection::DropLink>},
    {"corrupt", "corrupt", "corrupt the next packet sent",
     Inject<&FaultInjection::CorruptNextPacket>},
    {"refuse", "refuse SERVICE|all CODE",
     "refuse opening a channel (QUORLA-CONTROL, QUORLA-PRINT-DATA)", Refuse},
    {"accept", "accept", "stop refusing channels", Inject<&FaultInjection::AcceptChannels>},
    {"busy", "busy N", "answer Busy to the next N status inquiries", Busy},
    {"error", "error CODE|NAME",
     "raise a printer error (paper-out, cover-open, ink-out, paper-jam,\n"
     "paper-size, head-hot, maintenance, if-not-selected, fatal)",
     RaiseError},
    {"clear", "clear", "clear the printer error (a print waiting for paper goes on)",
     Operate<&OperatorControls::ClearError>},
    {"status", "status VALUE|real",
     "answer this Status word to every inquiry, or the real one again", ForceStatus},
    {"charged", "charged | uncharged", "whether the initial ink charge has been done",
     [](Printer& p, const Words&) { return p.op.SetInkCharged(true), Ok(); }},
    {"uncharged", "", "", [](Printer& p, const Words&) { return p.op.SetInkCharged(false), Ok(); }},
    {"eeprom", "eeprom ADDR [VALUE]", "show or set an EEPROM cell", Eeprom},
    {"chip", "chip CART ADDR [VALUE]", "show or set a chip byte (CART 0 = black, 1 = colour)",
     Chip},
    {"power-off", "power-off | power-on",
     "the power switch (off: connections drop, the printer is not\n"
     "found; on: it starts afresh, its memory kept)",
     Operate<&OperatorControls::PowerOff>},
    {"power-on", "", "", Operate<&OperatorControls::PowerOn>},
    {"replace-board", "replace-board",
     "while switched off: a new main board with a new board's EEPROM", ReplaceBoard},
    {"replace-cartridges", "replace-cartridges", "two new ink cartridges",
     Operate<&OperatorControls::ReplaceCartridges>},
    {"replace-cartridge", "replace-cartridge CART",
     "a new ink cartridge in one holder (0 = black, 1 = colour)", ReplaceCartridge},
    {"replace-waste-pads", "replace-waste-pads", "new waste-ink pads (the counter is not touched)",
     Operate<&OperatorControls::ReplaceWastePads>},
    {"replace-head", "replace-head [ID]",
     "a new print head whose label shows ID (none: a random one)", ReplaceHead},
    {"bid-offset", "bid-offset DROP GROUP OFF",
     "the hidden return-pass error of a Bi-D row (DROP 1..3, GROUP 1..2)", BidOffset},
    {"feed-offset", "feed-offset TOP LEFT",
     "the paper feed's hidden error (TOP 1/360 inch down, LEFT 1/2880\n"
     "inch right)",
     FeedOffset},
    {"judge", "judge", "the verdict of the training scenario that runs", Judge},
    {"load-paper", "load-paper [N]",
     "the input tray holds N sheets from now on (0..100, default 100)", LoadPaper},
    {"clog", "clog ROW NOZZLE...", "clog nozzles (ROW black 0..143, cyan, magenta, yellow 0..47)",
     Clog},
    {"", "clog random N [SEED]",
     "clog N open nozzles drawn at random (the same SEED, the same ones)", nullptr},
    {"unclog", "unclog ROW NOZZLE...", "clear clogged nozzles (unclog all: every one)", Unclog},
    {"nozzles", "nozzles", "list the clogged nozzles",
     [](Printer& p, const Words&) { return Ok(CloggedList(p.op.Head())); }},
    {"head-angle", "head-angle [TENTHS]",
     "show or set the head's angle in tenths of a degree (-40..40)", HeadAngle},
    {"install-dummies", "install-dummies", "dummy cartridges filled with transportation liquid",
     Operate<&OperatorControls::InstallDummyCartridges>},
    {"remove-cartridges", "remove-cartridges", "empty cartridge holders",
     Operate<&OperatorControls::RemoveCartridges>},
    {"time-scale", "time-scale X", "real seconds per printer second (0 = instant)", TimeScale},
    {"clear-faults", "clear-faults", "forget every armed fault",
     Inject<&FaultInjection::ClearFaults>},
    {"show", "show",
     "power, status, counter, ink, carriage, liquid path, pending data,\n"
     "paper in the tray, clogged nozzles, head angle",
     Show},
    {"save", "save", "write the state now",
     [](Printer& p, const Words&) { return p.op.Save() ? Ok() : Fail("cannot save"); }},
    {"quit", "quit", "save and stop",
     [](Printer&, const Words&) {
       return CommandResult{true, true, "bye"};
     }},
    {"help", "", "", Help},
};

// The synopsis in a column of its own; a help text's further lines under its first.
std::string HelpText() {
  constexpr std::size_t kColumn = 24;
  std::string text = "commands:";
  for (const OperatorCommand& command : kCommands) {
    const std::string_view synopsis = command.synopsis;
    if (synopsis.empty()) continue;
    text += "\n  ";
    text += synopsis;
    text.append(synopsis.size() < kColumn ? kColumn - synopsis.size() : 1, ' ');
    for (const char c : std::string_view(command.help)) {
      text += c;
      if (c == '\n') text.append(2 + kColumn, ' ');
    }
  }
  return text;
}

CommandResult Help(Printer&, const Words&) {
  return Ok(HelpText());
}

}  // namespace

std::span<const OperatorCommand> OperatorCommands() {
  return kCommands;
}

CommandResult RunCommand(OperatorControls& op, FaultInjection& faults, const std::string& line,
                         Training* training) {
  Printer p{op, faults, training};
  std::istringstream in(line);
  Words w;
  for (std::string word; in >> word;) w.push_back(word);
  if (w.empty() || w[0][0] == '#') return {};
  for (const OperatorCommand& command : kCommands) {
    if (command.run != nullptr && w[0] == command.name) return command.run(p, w);
  }
  return Fail("unknown command " + w[0] + " (try help)");
}

}  // namespace vprinter
