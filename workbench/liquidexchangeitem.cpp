// The transportation liquid exchange ("Refurbishment for DOA"): seven panels, one handler per
// button, the carriage moves and the two exchanges of the maintenance unit, and the navigation
// locked from the first carriage move to the end of exchange 2.
//
// The sequences run open loop (every call is sent), but a step whose printer calls did not all
// succeed ends with red lines saying so and naming the first failure, never with its done line:
// the technician must not take an exchange the printer refused for a completed one.
#include "workbench/liquidexchangeitem.h"

#include <QLabel>
#include <QPushButton>

#include "controls/dialogkeys.h"
#include "controls/radiogroup.h"
#include "controls/titledpanel.h"
#include "link/resulttexts.h"
#include "maintenance/liquidexchange.h"
#include "workbench/units.h"

namespace {
constexpr int kTextLeft = 16;
constexpr int kTextWidth = 350;
constexpr int kButtonLeft = 292;
constexpr int kButtonTop = 236;
const char kTitle[] = "Transportation Liquid Exchange";

// "3 of 29 printer calls failed. First: call 6, DrivePF (...): Receive error"
QString FailureLine(const SequenceReport& report, const char* what, const char* one) {
  QString result;
  if (report.firstResult == rc::PacketError) {
    result =
        PacketErrorText(report.firstPacketError).value_or(QStringLiteral("Communication error!!"));
  } else {
    result = ResultText(report.firstResult);
  }
  return QStringLiteral("%1 of %2 %3 failed. First: %4 %5, %6: %7")
      .arg(report.failures)
      .arg(report.calls)
      .arg(QLatin1String(what), QLatin1String(one))
      .arg(report.firstFailure)
      .arg(QString::fromStdString(report.firstCall), result);
}
}  // namespace

LiquidExchangeItem::LiquidExchangeItem(ItemHost& host, QObject* parent)
    : WorkbenchItem(host, parent),
      TraStep0Pnl(host.ItemPanel("TraStep0Pnl")),
      NotePnl(host.ItemPanel("NotePnl")),
      TraStep1Pnl(host.ItemPanel("TraStep1Pnl")),
      TraStep2Pnl(host.ItemPanel("TraStep2Pnl")),
      TransPnl(host.ItemPanel("TransPnl")),
      TraStep3Pnl(host.ItemPanel("TraStep3Pnl")),
      TraStep4Pnl(host.ItemPanel("TraStep4Pnl")) {
  const int top = TitledPanel::ContentTop() + 12;
  auto okButton = [this](QWidget* panel, const char* name, const QString& text,
                         void (LiquidExchangeItem::*handler)()) {
    QPushButton* button = host_.NewButton(panel, name, text, kButtonLeft, kButtonTop);
    dialogkeys::MakeDefault(button);
    Connect(button, handler);
    return button;
  };

  host_.NewLabel(
      TraStep0Pnl,
      QStringLiteral("When you will perform the transportation liquid exchange, you must "
                     "inject transportation liquid in dummy I/Cs."),
      kTextLeft, top, kTextWidth, 3);
  host_.NewLabel(TraStep0Pnl,
                 QStringLiteral("Have you inject the transportation liquid in dummy I/Cs?"),
                 kTextLeft, top + 64, kTextWidth);
  MessageSelectRdoGrp = new RadioGroup(QStringLiteral("Item"), TraStep0Pnl);
  MessageSelectRdoGrp->setObjectName(QStringLiteral("MessageSelectRdoGrp"));
  MessageSelectRdoGrp->SetItems({QStringLiteral("Yes"), QStringLiteral("No")});
  MessageSelectRdoGrp->setGeometry(kTextLeft, top + 96, 160, 84);
  MessageSelectRdoGrp->SetItemIndex(0);
  MessageOKBtn = okButton(TraStep0Pnl, "MessageOKBtn", QStringLiteral("OK"),
                          &LiquidExchangeItem::MessageOKBtnClick);

  host_.NewLabel(NotePnl, QStringLiteral("Please inject transportation liquid into dummy I/Cs."),
                 kTextLeft, top, kTextWidth);
  MainRtnBtn = okButton(NotePnl, "MainRtnBtn", QStringLiteral("Previos"),
                        &LiquidExchangeItem::MainRtnBtnClick);

  host_.NewLabel(
      TraStep1Pnl,
      QStringLiteral("Please click \"OK\" button. The carriage moves to the I/C replacement "
                     "position."),
      kTextLeft, top, kTextWidth, 2);
  CRmoveBtn =
      okButton(TraStep1Pnl, "CRmoveBtn", QStringLiteral("OK"), &LiquidExchangeItem::CRmoveBtnClick);

  host_.NewLabel(TraStep2Pnl, QStringLiteral("Please install dummy I/Cs."), kTextLeft, top,
                 kTextWidth);
  host_.NewLabel(
      TraStep2Pnl,
      QStringLiteral("When installation has completed, click \"OK\" button. The carriage "
                     "returns back to the home position."),
      kTextLeft, top + 32, kTextWidth, 2);
  CRreturnBtn = okButton(TraStep2Pnl, "CRreturnBtn", QStringLiteral("OK"),
                         &LiquidExchangeItem::CRreturnBtnClick);

  host_.NewLabel(
      TransPnl, QStringLiteral("Transportation liquid exchange1 begins by clicking \"OK\" button."),
      kTextLeft, top, kTextWidth, 2);
  host_.NewLabel(TransPnl,
                 QStringLiteral("The waste ink pad must be replaced centainly, after performning."),
                 kTextLeft, top + 48, kTextWidth, 2);
  TransOKBtn =
      okButton(TransPnl, "TransOKBtn", QStringLiteral("OK"), &LiquidExchangeItem::TransOKBtnClick);

  host_.NewLabel(
      TraStep3Pnl,
      QStringLiteral("After transportation liquid exchange 1 has completed, click \"OK\" "
                     "button. The carriage moves to the  I/C replacement position."),
      kTextLeft, top, kTextWidth, 3);
  TransCompleteBtn = okButton(TraStep3Pnl, "TransCompleteBtn", QStringLiteral("OK"),
                              &LiquidExchangeItem::TransCompleteBtnClick);

  host_.NewLabel(
      TraStep4Pnl,
      QStringLiteral("Please remove dummy I/Cs. After you removed the dummy I/Cs, "
                     "transportation liquid exchange 2 begins by clicking \"OK\" button."),
      kTextLeft, top, kTextWidth, 3);
  CRreturn2Btn = okButton(TraStep4Pnl, "CRreturn2Btn", QStringLiteral("OK"),
                          &LiquidExchangeItem::CRreturn2BtnClick);
}

void LiquidExchangeItem::EndCarriageStep(const SequenceReport& report, const QString& doneText,
                                         const QString& failedText) {
  if (report.ok()) {
    host_.WriteStatus(LineDone, doneText);
    return;
  }
  host_.WriteStatus(LineError, failedText);
  host_.WriteStatus(LineAdd, FailureLine(report, "printer calls", "call"));
}

// Nothing is sent: "Yes" goes on to the carriage, "No" to the note about filling the dummies.
void LiquidExchangeItem::MessageOKBtnClick() {
  host_.ResetPanels();
  switch (MessageSelectRdoGrp->ItemIndex()) {
    case 0:
      TraStep1Pnl->show();
      break;
    case 1:
      NotePnl->show();
      break;
    default:
      break;
  }
}

void LiquidExchangeItem::MainRtnBtnClick() {
  host_.ResetPanels();
  TraStep0Pnl->show();
}

void LiquidExchangeItem::CRmoveBtnClick() {
  host_.ResetPanels();
  TraStep2Pnl->show();
  SequenceReport report;
  host_.ProgramUnits().liquidExchange.Run(liquidexchange::ToReplacementPosition(), &report);
  EndCarriageStep(report, QStringLiteral("Move the carriage to the replacement position."),
                  QStringLiteral("Moving the carriage to the replacement position did not "
                                 "complete."));
  // From here on the procedure is finished, or the workbench closed through its close box.
  host_.LockNavigation(true);
}

void LiquidExchangeItem::CRreturnBtnClick() {
  host_.ResetPanels();
  TransPnl->show();
  SequenceReport report;
  host_.ProgramUnits().liquidExchange.Run(liquidexchange::BackHome(), &report);
  EndCarriageStep(report, QStringLiteral("Return the carriage to the home position."),
                  QStringLiteral("Returning the carriage to the home position did not complete."));
}

void LiquidExchangeItem::TransOKBtnClick() {
  host_.ResetPanels();
  TraStep3Pnl->show();
  host_.WriteStatus(LineBusy, QStringLiteral("Performing Transportion Liquid Exchange 1 now."));
  SequenceReport report;
  host_.ProgramUnits().liquidExchange.Run(liquidexchange::Exchange1(), &report);
  EndCarriageStep(report, QStringLiteral("Transportion Liquid Exchange 1 is completed."),
                  QStringLiteral("Transportation liquid exchange 1 did not complete."));
}

void LiquidExchangeItem::TransCompleteBtnClick() {
  host_.ResetPanels();
  TraStep4Pnl->show();
  SequenceReport report;
  host_.ProgramUnits().liquidExchange.Run(liquidexchange::ToReplacementPositionAgain(), &report);
  EndCarriageStep(report, QStringLiteral("Move the carriage to the replacement position."),
                  QStringLiteral("Moving the carriage to the replacement position did not "
                                 "complete."));
}

void LiquidExchangeItem::CRreturn2BtnClick() {
  // TraStep4Pnl stays in view while the printer works.
  host_.WriteStatus(LineBusy, QStringLiteral("Performing Transportion Liquid Exchange 2 now."));
  SequenceReport exchange;
  host_.ProgramUnits().liquidExchange.Run(liquidexchange::Exchange2(), &exchange);
  SequenceReport rewrite;
  host_.ProgramUnits().liquidExchange.RewriteEeprom(modelPosition_ ? modelPosition_() : 0,
                                                    &rewrite);
  host_.LockNavigation(false);
  host_.ResetPanels();
  TraStep0Pnl->show();
  if (exchange.ok() && rewrite.ok()) {
    host_.WriteStatus(LineDone, QStringLiteral("Transportion Liquid Exchange 2 is completed."));
  } else {
    host_.WriteStatus(LineError,
                      QStringLiteral("Transportation liquid exchange 2 did not complete."));
    if (!exchange.ok()) host_.WriteStatus(LineAdd, FailureLine(exchange, "printer calls", "call"));
    if (!rewrite.ok()) host_.WriteStatus(LineAdd, FailureLine(rewrite, "EEPROM writes", "write"));
  }
  // Also after a failure: the exchange's sequence has been sent, and after it the close sends no
  // power-on initialisation.
  host_.SetSkipPowerOnInit(1);
}
