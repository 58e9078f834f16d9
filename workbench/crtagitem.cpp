#include "workbench/crtagitem.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <string>

#include "controls/dialogkeys.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "link/statuscontrol.h"
#include "platform/convert.h"
#include "workbench/units.h"

namespace {

// Where the log stands while it shows a chip text: below the 116-high CRTAGInfoPnl, 265 high as
// far as the window reaches. The window ends at 374, so the log stops where the rest of the
// window's frames stop (372) rather than running off its bottom with its border and scroll arrow.
constexpr int kChipLogTop = 136;
constexpr int kChipLogHeight = 265;
constexpr int kWindowContentBottom = 372;

struct ChipItem {
  const char* caption;  // given to CRTAGInfoLbl
  bool unique;          // unique information, else usage information
  uint8_t cartridge;
};

// The usage captions end in a blank that the radio items do not have.
constexpr ChipItem kChipItems[] = {
    {"Black I/C unique information", true, Crtag::kBlack},
    {"Black I/C usage information ", false, Crtag::kBlack},
    {"Color I/C unique information", true, Crtag::kColor},
    {"Color I/C usage information ", false, Crtag::kColor},
};
constexpr int kPrintItem = 4;

}  // namespace

CrtagItem::CrtagItem(ItemHost& host, QObject* parent)
    : WorkbenchItem(host, parent),
      CRTAGInfoItemsPnl(host.ItemPanel("CRTAGInfoItemsPnl")),
      CRTAGInfoPnl(host.ItemPanel("CRTAGInfoPnl")) {
  CRTAGInfoItemsRdoGrp = host_.NewItemsGroup(
      CRTAGInfoItemsPnl, "CRTAGInfoItemsRdoGrp", QStringLiteral("Items"),
      {QStringLiteral("Black I/C unique information"),
       QStringLiteral("Black I/C usage information"),
       QStringLiteral("Color I/C unique information"),
       QStringLiteral("Color I/C usage information"), QStringLiteral("Print out all information")});
  CRTAGInfoItemsOKBtn = dialogkeys::MakeDefault(
      PanelButton(CRTAGInfoItemsPnl, "CRTAGInfoItemsOKBtn", QStringLiteral("OK"), true,
                  &CrtagItem::CRTAGInfoItemsOKBtnClick));

  CRTAGInfoLbl = CRTAGInfoPnl->Title();
  CRTAGInfoRtnBtn = host_.NewButton(CRTAGInfoPnl, "CRTAGInfoRtnBtn", QStringLiteral("Previous"),
                                    292, CRTAGInfoPnl->height() - 36);
  dialogkeys::MakeCancel(CRTAGInfoRtnBtn);
  Connect(CRTAGInfoRtnBtn, &CrtagItem::CRTAGInfoRtnBtnClick);
}

void CrtagItem::CRTAGInfoItemsOKBtnClick() {
  const int index = CRTAGInfoItemsRdoGrp->ItemIndex();
  if (index == kPrintItem) {
    PrintCrtagInformation();
    return;
  }
  if (index < 0 || index >= kPrintItem) return;

  const ChipItem& item = kChipItems[index];
  CRTAGInfoLbl->setText(QLatin1String(item.caption));
  std::string text;
  const Crtag& crtag = host_.ProgramUnits().crtag;
  const ResultCode result = item.unique ? crtag.CrtagUniqueText(item.cartridge, &text)
                                        : crtag.CrtagUsageText(item.cartridge, &text);
  if (result != rc::Success) {
    host_.ReportResult(LineError, Crtag::RefusalFor(item.cartridge, result));
    return;
  }
  host_.ResetPanels();
  CRTAGInfoPnl->show();
  host_.PlaceLog(kChipLogTop, std::min(kChipLogHeight, kWindowContentBottom - kChipLogTop), true);
  host_.WriteStatus(LineInfo,
                    QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void CrtagItem::CRTAGInfoRtnBtnClick() {
  host_.ResetPanels();
  CRTAGInfoItemsPnl->show();
}

// Every failure of the page is the one print error line; the cause is not shown. A chip date that
// is no date still ends the handler in the exception box, which names the cartridge; the log
// says first that the page was not printed.
void CrtagItem::PrintCrtagInformation() {
  host_.WriteStatus(LineBusy, QStringLiteral("Printing now."));
  ResultCode result = rc::Success;
  try {
    result = host_.ProgramUnits().crtag.PrintCrtagInformation(host_.ProgramUnits().rasterJob);
  } catch (const platform::ConvertError&) {
    host_.ReportResult(LineError, rc::CrtagPrintError);
    throw;
  }
  if (result != rc::Success) {
    host_.ReportResult(LineError, rc::CrtagPrintError);
    return;
  }
  result = WaitUntilIdle();
  if (result != rc::Success) {
    host_.ReportResult(LineError, result);
    return;
  }
  host_.WriteStatus(LineDone, QStringLiteral("Print has completed."));
}
