// The program's start: the long-lived objects and the four windows, each reachable through one
// global reference, created once and only shown and hidden afterwards.
#pragma once

class QApplication;
class TAboutBox;
class TFormAdjust;
class TFormBoot;
class TFormQuit;
struct Units;

inline constexpr const char* kApplicationTitle = "Adjustment Program for Quorla Z40";

extern TFormBoot* FormBoot;
extern TFormAdjust* FormAdjust;
extern TFormQuit* FormQuit;
extern TAboutBox* AboutBox;
extern Units* ProgramUnits;

// Sets the application title, creates the units, then TFormBoot (which loads the port library),
// TFormAdjust, TFormQuit and TAboutBox in this order, and links them. Shows nothing.
void CreateProgramWindows();

// Destroys what CreateProgramWindows created, last first. Safe after a partial creation.
void DestroyProgramWindows();

// The whole run after the application object exists: creates the windows, shows the printer
// selection and runs the event loop until it closes. An exception that escapes the start-up is
// shown in the exception box; the run then returns 0.
int RunProgram(QApplication& app);
