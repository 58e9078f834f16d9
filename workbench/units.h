// The long-lived routine units the workbench's item handlers call. The start-up creates them
// before the first window and hands them to the workbench; they live until the program ends.
#pragma once

#include "crtag/crtag.h"
#include "eeprom/bid.h"
#include "eeprom/dataconversion.h"
#include "eeprom/headid.h"
#include "eeprom/usbid.h"
#include "maintenance/eeprombackup.h"
#include "maintenance/liquidexchange.h"
#include "maintenance/maintenance.h"
#include "print/angular.h"
#include "print/bidpattern.h"
#include "print/checkpattern.h"
#include "print/checkpatterns.h"
#include "print/raster.h"

struct Units {
  Units() = default;
  Units(const Units&) = delete;
  Units& operator=(const Units&) = delete;

  // The one print-data builder, with its 1024-byte buffer.
  RasterJob rasterJob;

  DataConversion dataconversion;
  HeadId headid;
  Bid bid;
  UsbId usbid;
  Maintenance maintenance;
  Crtag crtag;
  LiquidExchange liquidExchange;
  EepromBackup eepromBackup;

  CheckPatterns checkPatterns;
  AngularPattern angular;
  BidPattern bidPattern;
  // Holds the check page's value fields for the whole run.
  CheckPage checkPage{maintenance, headid, usbid, checkPatterns, angular, bidPattern};
};
