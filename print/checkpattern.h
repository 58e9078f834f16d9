// The A4 check page: two sheets of plain paper with the top-margin line, the protection counter,
// the solid blocks and nozzle checks of both heads, the head angular and Bi-D patterns (first
// sheet), the head ID, the USB ID, the alignment, colour-gap and variable-dot patterns (second
// sheet), each under its numbered heading.
#pragma once

#include "eeprom/headid.h"
#include "eeprom/usbid.h"
#include "link/resultcode.h"
#include "maintenance/maintenance.h"
#include "print/angular.h"
#include "print/bidpattern.h"
#include "print/checkpatterns.h"
#include "print/raster.h"

class CheckPage {
 public:
  CheckPage(const Maintenance& maintenance, const HeadId& headId, const UsbId& usbId,
            const CheckPatterns& patterns, const AngularPattern& angular, const BidPattern& bid);
  CheckPage(const CheckPage&) = delete;
  CheckPage& operator=(const CheckPage&) = delete;

  // Reads the three values first (a failed read ends the page before anything is appended),
  // then prints both sheets, waiting for the printer between the sections of the second. Returns
  // 1 or the first failing result; bytes appended before a failure stay queued in the job.
  // `restore` (optional) receives what a failure in the Bi-D item left in the printer.
  ResultCode PrintCheckPage(RasterJob& job, BidRestore* restore = nullptr);

  // The value fields as they stand (they live as long as the page object).
  const char* ProtectionCounterField() const { return protectionCounter_; }
  const char* HeadIdField() const { return headId_; }
  const char* UsbIdField() const { return usbId_; }

 private:
  ResultCode ReadValues();
  ResultCode PrintFirstSheet(RasterJob& job, BidRestore* restore);
  ResultCode PrintSecondSheet(RasterJob& job);

  const Maintenance& maintenance_;
  const HeadId& headIdUnit_;
  const UsbId& usbIdUnit_;
  const CheckPatterns& patterns_;
  const AngularPattern& angular_;
  const BidPattern& bid_;

  // The printed value texts. The counter is the unsigned text of a 16-bit number and its NUL;
  // five bytes of it are printed.
  char protectionCounter_[6] = {' ', ' ', ' ', ' ', ' ', '\0'};
  char headId_[12] = "00000000000";
  char usbId_[19] = "000000000000000000";
};
