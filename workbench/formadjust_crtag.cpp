// Cartridge chip information on the workbench, reached from the Appendix tab: one of the four chip
// texts in the status log, enlarged and centred under CRTAGInfoPnl, or all four printed on a page.
// The crtag unit reads and composes; the handlers here show, print and report.
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextOption>
#include <algorithm>
#include <string>

#include "controls/dialogkeys.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "controls/uiscale.h"
#include "link/statuscontrol.h"
#include "platform/convert.h"
#include "workbench/formadjust.h"
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

void TFormAdjust::BuildCrtagPanels() {
  CRTAGInfoItemsRdoGrp = NewItemsGroup(
      CRTAGInfoItemsPnl, "CRTAGInfoItemsRdoGrp", QStringLiteral("Items"),
      {QStringLiteral("Black I/C unique information"),
       QStringLiteral("Black I/C usage information"),
       QStringLiteral("Color I/C unique information"),
       QStringLiteral("Color I/C usage information"), QStringLiteral("Print out all information")});
  CRTAGInfoItemsOKBtn = dialogkeys::MakeDefault(
      PanelButton(CRTAGInfoItemsPnl, "CRTAGInfoItemsOKBtn", QStringLiteral("OK"), true,
                  &TFormAdjust::CRTAGInfoItemsOKBtnClick));

  CRTAGInfoLbl = CRTAGInfoPnl->Title();
  CRTAGInfoRtnBtn = NewButton(CRTAGInfoPnl, "CRTAGInfoRtnBtn", QStringLiteral("Previous"), 292,
                              CRTAGInfoPnl->height() - 36);
  dialogkeys::MakeCancel(CRTAGInfoRtnBtn);
  Connect(CRTAGInfoRtnBtn, &TFormAdjust::CRTAGInfoRtnBtnClick);
}

void TFormAdjust::CRTAGInfoItemsOKBtnClick() {
  const int index = CRTAGInfoItemsRdoGrp->ItemIndex();
  if (index == kPrintItem) {
    PrintCrtagInformation();
    return;
  }
  if (index < 0 || index >= kPrintItem) return;

  const ChipItem& item = kChipItems[index];
  CRTAGInfoLbl->setText(QLatin1String(item.caption));
  std::string text;
  const Crtag& crtag = units_.crtag;
  const ResultCode result = item.unique ? crtag.CrtagUniqueText(item.cartridge, &text)
                                        : crtag.CrtagUsageText(item.cartridge, &text);
  if (result != rc::Success) {
    ReportResult(LineError, Crtag::RefusalFor(item.cartridge, result));
    return;
  }
  ResetPanels();
  CRTAGInfoPnl->show();
  const int height = std::min(kChipLogHeight, kWindowContentBottom - kChipLogTop);
  StatusMemo->setGeometry(StatusMemo->x(), uiscale::Px(kChipLogTop), StatusMemo->width(),
                          uiscale::Px(kChipLogTop + height) - uiscale::Px(kChipLogTop));
  QTextOption option = StatusMemo->document()->defaultTextOption();
  option.setAlignment(Qt::AlignHCenter);
  StatusMemo->document()->setDefaultTextOption(option);
  WriteStatus(LineInfo, QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void TFormAdjust::CRTAGInfoRtnBtnClick() {
  ResetPanels();
  CRTAGInfoItemsPnl->show();
}

// Every failure of the page is the one print error line; the cause is not shown. A chip date that
// is no date still ends the handler in the exception box, which names the cartridge; the log
// says first that the page was not printed.
void TFormAdjust::PrintCrtagInformation() {
  WriteStatus(LineBusy, QStringLiteral("Printing now."));
  ResultCode result = rc::Success;
  try {
    result = units_.crtag.PrintCrtagInformation(units_.rasterJob);
  } catch (const platform::ConvertError&) {
    ReportResult(LineError, rc::CrtagPrintError);
    throw;
  }
  if (result != rc::Success) {
    ReportResult(LineError, rc::CrtagPrintError);
    return;
  }
  result = WaitUntilIdle();
  if (result != rc::Success) {
    ReportResult(LineError, result);
    return;
  }
  WriteStatus(LineDone, QStringLiteral("Print has completed."));
}
