#include "vprinter/commands.h"

#include <cstdio>
#include <random>
#include <sstream>
#include <vector>

namespace vprinter {

namespace {

constexpr char kHelp[] =
    "commands:\n"
    "  fail OP N RESULT        the Nth OP from now answers RESULT (e.g. fail eeprom_write 3 -103)\n"
    "  fail-packet OP N CODE   the Nth OP from now is refused with packet error CODE (8192)\n"
    "  drop-at OP N            the Nth OP from now closes the link instead of answering\n"
    "  stop | resume           stop or resume answering\n"
    "  drop                    close every connection now\n"
    "  corrupt                 corrupt the next packet sent\n"
    "  refuse SERVICE|all CODE refuse opening a channel (QUORLA-CONTROL, QUORLA-PRINT-DATA)\n"
    "  accept                  stop refusing channels\n"
    "  busy N                  answer Busy to the next N status inquiries\n"
    "  error CODE|NAME         raise a printer error (paper-out, cover-open, ink-out, paper-jam,\n"
    "                          paper-size, head-hot, maintenance, if-not-selected, fatal)\n"
    "  clear                   clear the printer error (a print waiting for paper goes on)\n"
    "  status VALUE|real       answer this Status word to every inquiry, or the real one again\n"
    "  charged | uncharged     whether the initial ink charge has been done\n"
    "  eeprom ADDR [VALUE]     show or set an EEPROM cell\n"
    "  chip CART ADDR [VALUE]  show or set a chip byte (CART 0 = black, 1 = colour)\n"
    "  power-off | power-on    the power switch (off: connections drop, the printer is not\n"
    "                          found; on: it starts afresh, its memory kept)\n"
    "  replace-board           while switched off: a new main board with a new board's EEPROM\n"
    "  replace-cartridges      two new ink cartridges\n"
    "  replace-cartridge CART  a new ink cartridge in one holder (0 = black, 1 = colour)\n"
    "  load-paper [N]          the input tray holds N sheets from now on (0..100, default 100)\n"
    "  clog ROW NOZZLE...      clog nozzles (ROW black 0..143, cyan, magenta, yellow 0..47)\n"
    "  clog random N [SEED]    clog N open nozzles drawn at random (the same SEED, the same ones)\n"
    "  unclog ROW NOZZLE...    clear clogged nozzles (unclog all: every one)\n"
    "  nozzles                 list the clogged nozzles\n"
    "  head-angle [TENTHS]     show or set the head's angle in tenths of a degree (-40..40)\n"
    "  install-dummies         dummy cartridges filled with transportation liquid\n"
    "  remove-cartridges       empty cartridge holders\n"
    "  time-scale X            real seconds per printer second (0 = instant)\n"
    "  clear-faults            forget every armed fault\n"
    "  show                    power, status, counter, ink, carriage, liquid path, pending data,\n"
    "                          paper in the tray, clogged nozzles, head angle\n"
    "  save                    write the state now\n"
    "  quit                    save and stop";

bool ParseInt(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 0);
  if (end == nullptr || *end != '\0') return false;
  *value = v;
  return true;
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
CommandResult Nozzles(Device& device, const std::vector<std::string>& w, bool clog) {
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
      device.ClogNozzle(*row, n);
    } else {
      device.ClearNozzle(*row, n);
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

}  // namespace

CommandResult RunCommand(Device& device, const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string word; in >> word;) w.push_back(word);
  if (w.empty() || w[0][0] == '#') return {};
  const std::string& c = w[0];
  long n = 0, code = 0;

  if (c == "help") return {true, false, kHelp};
  if (c == "fail" || c == "fail-packet" || c == "drop-at") {
    const std::size_t want = c == "drop-at" ? 3 : 4;
    if (w.size() != want) return Fail("usage: " + c + (want == 3 ? " OP N" : " OP N CODE"));
    const std::optional<Op> op = OpFromName(w[1]);
    if (!op) return Fail("unknown op " + w[1]);
    if (!ParseInt(w[2], &n) || n < 1) return Fail("N must be 1 or more");
    if (c == "drop-at") {
      device.DropLinkAtNth(*op, static_cast<int>(n));
    } else {
      if (!ParseInt(w[3], &code) || code < -32768 || code > 32767) return Fail("bad code");
      if (c == "fail") {
        device.FailNth(*op, static_cast<int>(n), static_cast<int16_t>(code));
      } else {
        device.FailNthWithPacketError(*op, static_cast<int>(n), static_cast<int16_t>(code));
      }
    }
    return {true, false, "ok"};
  }
  if (c == "stop") return device.StopAnswering(), CommandResult{true, false, "ok"};
  if (c == "resume") return device.ResumeAnswering(), CommandResult{true, false, "ok"};
  if (c == "drop") return device.DropLink(), CommandResult{true, false, "ok"};
  if (c == "corrupt") return device.CorruptNextPacket(), CommandResult{true, false, "ok"};
  if (c == "refuse") {
    if (w.size() != 3 || !ParseInt(w[2], &code)) return Fail("usage: refuse SERVICE|all CODE");
    device.RefuseChannel(w[1] == "all" ? "" : w[1], static_cast<int16_t>(code));
    return {true, false, "ok"};
  }
  if (c == "accept") return device.AcceptChannels(), CommandResult{true, false, "ok"};
  if (c == "clear-faults") {
    device.ClearFaults();
    return {true, false, "ok"};
  }
  if (c == "busy") {
    if (w.size() != 2 || !ParseInt(w[1], &n) || n < 0) return Fail("usage: busy N");
    device.BusyForPolls(static_cast<int>(n));
    return {true, false, "ok"};
  }
  if (c == "error") {
    uint16_t error = 0;
    if (w.size() != 2 || !ParseError(w[1], &error)) return Fail("usage: error CODE|NAME");
    device.RaiseError(error);
    return {true, false, "ok"};
  }
  if (c == "clear") return device.ClearError(), CommandResult{true, false, "ok"};
  if (c == "status") {
    if (w.size() == 2 && w[1] == "real") {
      device.ForceStatus(std::nullopt);
      return {true, false, "ok"};
    }
    if (w.size() != 2 || !ParseInt(w[1], &n) || n < 0 || n > 0xFFFF) {
      return Fail("usage: status VALUE|real");
    }
    device.ForceStatus(static_cast<uint16_t>(n));
    return {true, false, "ok"};
  }
  if (c == "charged" || c == "uncharged") {
    device.SetInkCharged(c == "charged");
    return {true, false, "ok"};
  }
  if (c == "eeprom") {
    long addr = 0, value = 0;
    if (w.size() < 2 || w.size() > 3 || !ParseInt(w[1], &addr) || addr < 0 || addr > 255) {
      return Fail("usage: eeprom ADDR [VALUE]");
    }
    if (w.size() == 3) {
      if (!ParseInt(w[2], &value) || value < -128 || value > 255) return Fail("bad value");
      device.PokeEeprom(static_cast<uint8_t>(addr), static_cast<uint8_t>(value));
    }
    return {true, false,
            Hex2(static_cast<unsigned>(addr)) + " = " +
                Hex2(device.PeekEeprom(static_cast<uint8_t>(addr)))};
  }
  if (c == "chip") {
    long cart = 0, addr = 0, value = 0;
    if (w.size() < 3 || w.size() > 4 || !ParseInt(w[1], &cart) || cart < 0 || cart > 1 ||
        !ParseInt(w[2], &addr) || addr < 0 || addr >= static_cast<long>(kChipSize)) {
      return Fail("usage: chip CART ADDR [VALUE]");
    }
    if (w.size() == 4) {
      if (!ParseInt(w[3], &value) || value < 0 || value > 255) return Fail("bad value");
      device.PokeChip(static_cast<int>(cart), static_cast<uint8_t>(addr),
                      static_cast<uint8_t>(value));
    }
    return {
        true, false,
        "chip " + std::to_string(cart) + " " + std::to_string(addr) + " = " +
            std::to_string(device.PeekChip(static_cast<int>(cart), static_cast<uint8_t>(addr)))};
  }
  if (c == "power-off") return device.PowerOff(), CommandResult{true, false, "ok"};
  if (c == "power-on") return device.PowerOn(), CommandResult{true, false, "ok"};
  if (c == "replace-board") {
    if (!device.ReplaceMainBoard()) return Fail("switch the printer off first (power-off)");
    return {true, false, "ok"};
  }
  if (c == "install-dummies") {
    device.InstallDummyCartridges();
    return {true, false, "ok"};
  }
  if (c == "remove-cartridges") {
    device.RemoveCartridges();
    return {true, false, "ok"};
  }
  if (c == "replace-cartridges") {
    device.ReplaceCartridges();
    return {true, false, "ok"};
  }
  if (c == "replace-cartridge") {
    long cart = 0;
    if (w.size() != 2 || !ParseInt(w[1], &cart) || cart < 0 || cart > 1) {
      return Fail("usage: replace-cartridge 0|1");
    }
    device.ReplaceCartridge(static_cast<int>(cart));
    return Ok();
  }
  if (c == "load-paper") {
    long sheets = PaperTray::kCapacity;
    if (w.size() > 2 || (w.size() == 2 && !ParseInt(w[1], &sheets)) || sheets < 0 ||
        sheets > PaperTray::kCapacity) {
      return Fail("usage: load-paper [N] (0.." + std::to_string(PaperTray::kCapacity) + " sheets)");
    }
    device.LoadPaper(static_cast<int>(sheets));
    return Ok("the tray holds " + std::to_string(sheets) + " sheets");
  }
  if (c == "clog" && w.size() >= 2 && w[1] == "random") {
    long count = 0, seed = 0;
    if (w.size() < 3 || w.size() > 4 || !ParseInt(w[2], &count) || count < 1 ||
        (w.size() == 4 && (!ParseInt(w[3], &seed) || seed < 0 || seed > 0xFFFFFFFFL))) {
      return Fail("usage: clog random N [SEED]");
    }
    if (w.size() == 3) seed = static_cast<long>(std::random_device()() & 0x7FFFFFFF);
    const int clogged = device.ClogRandomNozzles(static_cast<int>(std::min<long>(count, 1000)),
                                                 static_cast<uint32_t>(seed));
    return Ok("clogged " + std::to_string(clogged) + " nozzles (seed " + std::to_string(seed) +
              ")");
  }
  if (c == "clog") return Nozzles(device, w, true);
  if (c == "unclog") {
    if (w.size() == 2 && w[1] == "all") {
      device.ClearNozzles();
      return Ok();
    }
    return Nozzles(device, w, false);
  }
  if (c == "nozzles") return Ok(CloggedList(device.Head()));
  if (c == "head-angle") {
    long angle = 0;
    if (w.size() == 1) return Ok("head angle " + std::to_string(device.Head().angle));
    if (w.size() != 2 || !ParseInt(w[1], &angle) || angle < -head::kMaxAngle ||
        angle > head::kMaxAngle) {
      return Fail("usage: head-angle [TENTHS] (-" + std::to_string(head::kMaxAngle) + ".." +
                  std::to_string(head::kMaxAngle) + " tenths of a degree)");
    }
    device.SetHeadAngle(static_cast<int>(angle));
    return Ok();
  }
  if (c == "time-scale") {
    char* end = nullptr;
    const double scale = w.size() == 2 ? std::strtod(w[1].c_str(), &end) : -1;
    if (w.size() != 2 || end == nullptr || *end != '\0' || scale < 0) {
      return Fail("usage: time-scale X");
    }
    device.SetTimeScale(scale);
    return {true, false, "ok"};
  }
  if (c == "show") {
    if (!device.PoweredOn()) return {true, false, "power off"};
    const auto [st, err] = device.CurrentStatus();
    const PrinterState s = device.State();
    const auto [carriage, paper] = device.MechanismPosition();
    const std::string place = device.CarriagePlace();
    char text[512];
    std::snprintf(
        text, sizeof text,
        "status 0x%04X error 0x%04X counter %u ink %u%% %u%% %u%% %u%% carriage %ld%s%s%s "
        "paper %ld liquid path %s cartridges %s pending %zu bytes tray %d sheets "
        "clogged nozzles %d head angle %d",
        st, err, s.ProtectionCounter(), s.chips[0][0], s.chips[1][0], s.chips[1][1], s.chips[1][2],
        carriage, place.empty() ? "" : " (", place.c_str(), place.empty() ? "" : ")", paper,
        LiquidName(s.liquidPath), CartridgesName(s.cartridges), device.PendingPrintBytes(),
        device.PaperInTray(), s.head.CloggedCount(), s.head.angle);
    return {true, false, text};
  }
  if (c == "save") return device.Save() ? CommandResult{true, false, "ok"} : Fail("cannot save");
  if (c == "quit") return {true, true, "bye"};
  return Fail("unknown command " + c + " (try help)");
}

}  // namespace vprinter
