// The long-lived routine units the workbench's item handlers call. The start-up creates them
// before the first window and hands them to the workbench; they live until the program ends.
#pragma once

struct Units {
  // RasterJob (with its 1024-byte buffer), DataConversion, HeadId, Bid, UsbId, Maintenance, Crtag
  // and the pattern units join here as they are built.
};
