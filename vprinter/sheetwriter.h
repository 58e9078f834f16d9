// Writes ejected sheets into the tray (PNG encoding and file) on a thread of its own, so that the
// printer's loop never waits on it. The queue is bounded: while it is full the printer feeds no
// new sheet, holds the print data and its credit, and the host waits for credit (flow control).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vprinter {

class SheetWriter {
 public:
  // Sheets taken and not yet written, at most: each holds a packed copy of the sheet's pixels.
  static constexpr std::size_t kCapacity = 4;
  // Told on the writer's thread, after each sheet, with the file written or the reason it could
  // not be (file empty).
  using Done = std::function<void(const std::string& file, const std::string& error)>;

  SheetWriter(std::filesystem::path tray, Done done);
  // Writes what was taken, then stops.
  ~SheetWriter();
  SheetWriter(const SheetWriter&) = delete;
  SheetWriter& operator=(const SheetWriter&) = delete;

  // False when kCapacity sheets wait: take none now.
  bool HasRoom() const;
  // Packs a copy of the sheet's pixels into the queue (the caller checked HasRoom); rows outside
  // [top, bottom) are white and are not looked at.
  void Take(const uint8_t* pixels, int top, int bottom);
  // Returns once every sheet taken so far is written and told.
  void Drain();
  // Tests: holds the writer before its next sheet until Hold(false).
  void Hold(bool hold);

 private:
  // A sheet as it waits: every row from top to bottom run-length coded, or kept as it is where that
  // is shorter; the white rows around them not at all. A printed sheet is mostly white, so it
  // waits in a small fraction of its pixels' memory, and the printer grows by little while a
  // sheet is being written.
  struct Packed {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> rowAt;  // where row top + i starts in bytes
    int top = 0, bottom = 0;
  };
  static void PackRow(const uint8_t* row, std::vector<uint8_t>& out);
  // Row y of the packed sheet, unpacked into `buffer` where it must be.
  static const uint8_t* UnpackRow(const Packed& sheet, int y, uint8_t* buffer);
  void Run();

  const std::filesystem::path tray_;
  const Done done_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable drained_;
  std::deque<Packed> queue_;
  std::size_t busy_ = 0;     // taken from the queue, being written
  std::size_t telling_ = 0;  // written, the printer being told
  bool held_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace vprinter
