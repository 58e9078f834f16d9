// The input tray: the blank sheets waiting to be fed (not the output tray, the directory the
// printed sheets go to). A load fills it up to its capacity at most, so however much print data
// arrives, one load puts no more sheets out than the tray holds.
#pragma once

namespace vprinter {

class PaperTray {
 public:
  static constexpr int kCapacity = 100;

  int Sheets() const { return sheets_; }
  // The tray holds `sheets` from now on; false (and nothing changes) beyond 0..kCapacity.
  bool Load(int sheets) {
    if (sheets < 0 || sheets > kCapacity) return false;
    sheets_ = sheets;
    return true;
  }
  // Feeds one sheet; false when the tray is empty.
  bool Take() {
    if (sheets_ == 0) return false;
    --sheets_;
    return true;
  }

 private:
  int sheets_ = kCapacity;
};

}  // namespace vprinter
