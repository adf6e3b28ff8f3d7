// The action dialog: its catalogue and frames, each entry returning its own
// parameter only, the file pickers with their settings, "&Create New", and
// OK without an entry.
#include <QTest>
#include <gtest/gtest.h>

#include "../support/cfgman_app.h"
#include "agentedit_support.h"
#include "cfgman/agentedit/action_catalogue.h"

namespace cfgman::testing {
namespace {

QStringList captions(const TfrmAction& a) {
  QStringList out;
  for (int i = 0; i < a.lstVActions->topLevelItemCount(); ++i) out << a.lstVActions->topLevelItem(i)->text(0);
  return out;
}

TEST(ActionDialog, OpensWithTheCatalogueAndNoSelectionOrFrame) {
  app();
  TfrmAction a;
  a.show();
  EXPECT_EQ(a.windowTitle(), "Action");
  EXPECT_EQ(a.lstVActions->headerItem()->text(0), "Actions");
  EXPECT_EQ(captions(a), (QStringList{"Auto-Reply", "Close Karvix", "Delay the Agent", "Forward To",
                                      "Launch Program", "Play Sound", "Redirect To",
                                      "Remove from further agent processing", "Restart the computer",
                                      "Run an karvixScript"}));
  EXPECT_TRUE(a.lstVActions->selectedItems().isEmpty());
  EXPECT_EQ(a.visibleFrame(), nullptr);
  EXPECT_EQ(a.spnDelay->value(), 1);
  a.reject();
}

// Every frame gets its own text typed in, then each entry is chosen in turn
// in the same dialog: only the chosen entry's own field comes back.
TEST(ActionDialog, EveryEntryReturnsItsOwnParameterOnly) {
  app();
  struct Case {
    const char* caption;
    const char* keyword;
    const char* frame;  // nullptr: no frame
    const char* param;
  };
  const Case cases[] = {
      {"Auto-Reply", "AUTO-REPLY", "Reply with:", "/t/reply.eml"},
      {"Close Karvix", "CLOSE KARVIX", nullptr, ""},
      {"Delay the Agent", "DELAY THE AGENT", "Delay the Agent", "42"},
      {"Forward To", "FORWARD TO", "Forward To:", "fwd@example.com"},
      {"Launch Program", "LAUNCH PROGRAM", "Launch Program", "/bin/prog --x"},
      {"Play Sound", "PLAY SOUND", "Play Sound", "/s/ding.wav"},
      {"Redirect To", "REDIRECT TO", "Redirect To:", "red@example.com"},
      {"Remove from further agent processing", "REMOVE FROM FURTHER AGENT PROCESSING", nullptr, ""},
      {"Restart the computer", "RESTART THE COMPUTER", nullptr, ""},
      {"Run an karvixScript", "RUN AN KARVIXSCRIPT", "Run Basic Script", "/s/job.bas"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    TfrmAction a;
    a.show();
    a.edtReplyPath->setText("/t/reply.eml");
    a.spnDelay->setValue(42);
    a.edtForward->setText("fwd@example.com");
    a.edtCommand->setText("/bin/prog --x");
    a.chkMinimized->setChecked(true);
    a.edtSoundPath->setText("/s/ding.wav");
    a.chkLoop->setChecked(true);
    a.spnLoopCount->setValue(7);
    a.edtRedirect->setText("red@example.com");
    a.edtScriptPath->setText("/s/job.bas");
    a.selectCaption("Launch Program");  // a frame seen before the choice
    a.selectCaption(c.caption);
    QGroupBox* shown = a.visibleFrame();
    if (c.frame) {
      ASSERT_NE(shown, nullptr);
      EXPECT_EQ(shown->title().toStdString(), c.frame);
    } else {
      EXPECT_EQ(shown, nullptr);
    }
    a.Button3->click();
    EXPECT_EQ(a.result(), QDialog::Accepted);
    ASSERT_TRUE(a.chosen().has_value());
    EXPECT_EQ(a.chosen()->caption.toStdString(), c.caption);
    EXPECT_EQ(actionKeyword(a.chosen()->caption).toStdString(), c.keyword);
    EXPECT_EQ(a.chosen()->param.toStdString(), c.param);
    EXPECT_EQ(a.chosen()->param2, "");
  }
}

TEST(ActionDialog, DelayIsTheNumberBoxAsADecimal) {
  app();
  struct Case {
    const char* name;
    std::function<void(TfrmAction&)> set;
    const char* param;
  };
  const Case cases[] = {
      {"initial value", [](TfrmAction&) {}, "1"},
      {"typed", [](TfrmAction& a) { a.spnDelay->selectAll(); QTest::keyClicks(a.spnDelay, "90"); }, "90"},
      {"negative, unbounded", [](TfrmAction& a) { a.spnDelay->setValue(-3); }, "-3"},
      {"large", [](TfrmAction& a) { a.spnDelay->setValue(100000); }, "100000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TfrmAction a;
    a.show();
    a.selectCaption("Delay the Agent");
    c.set(a);
    a.Button3Click();
    ASSERT_TRUE(a.chosen());
    EXPECT_EQ(a.chosen()->param.toStdString(), c.param);
  }
}

TEST(ActionDialog, OkWithoutAnEntryReturnsNoAction) {
  app();
  TfrmAction a;
  a.show();
  a.edtForward->setText("x@example.com");
  a.Button3->click();
  EXPECT_EQ(a.result(), QDialog::Rejected);
  EXPECT_FALSE(a.chosen().has_value());
}

TEST(ActionDialog, CancelReturnsNothing) {
  app();
  TfrmAction a;
  a.show();
  a.selectCaption("Forward To");
  a.edtForward->setText("x@example.com");
  a.btnCancel->click();
  EXPECT_EQ(a.result(), QDialog::Rejected);
  EXPECT_FALSE(a.chosen().has_value());
}

TEST(ActionDialog, LoopCountIsEnabledOnlyWhileLoopIsTicked) {
  app();
  TfrmAction a;
  a.show();
  a.selectCaption("Play Sound");
  EXPECT_FALSE(a.spnLoopCount->isEnabled());
  QTest::mouseClick(a.chkLoop, Qt::LeftButton);
  EXPECT_TRUE(a.spnLoopCount->isEnabled());
  QTest::mouseClick(a.chkLoop, Qt::LeftButton);
  EXPECT_FALSE(a.spnLoopCount->isEnabled());
  a.reject();
}

TEST(ActionDialog, PickersUseTheirSettingsAndFillTheirField) {
  app();
  struct Case {
    const char* caption;
    QPushButton* TfrmAction::*button;
    QLineEdit* TfrmAction::*field;
    FilePickRequest request;
  };
  const Case cases[] = {
      {"Auto-Reply", &TfrmAction::Button6, &TfrmAction::edtReplyPath,
       {"E-Mail Messages|*.eml|All Files|*.*", "EML", "*.eml", "/store/templates/"}},
      {"Launch Program", &TfrmAction::Button4, &TfrmAction::edtCommand,
       {"Application files|*.exe|All Files|*.*", "exe", "*.exe", ""}},
      {"Play Sound", &TfrmAction::Button1, &TfrmAction::edtSoundPath,
       {"WAV Files|*.wav|All Files|*.*", "wav", "*.wav", ""}},
      {"Run an karvixScript", &TfrmAction::Button7, &TfrmAction::edtScriptPath,
       {"karvixBasic Scripts|*.bas|All Files|*.*", "bas", "*.bas", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    ScriptedPicker picker;
    picker.answers = {QString("/picked/file"), std::nullopt};
    TfrmAction a;
    a.templatesPath = "/store/templates/";
    a.show();
    a.selectCaption(c.caption);
    (a.*c.field)->setText("typed before");
    (a.*c.button)->click();
    EXPECT_EQ((a.*c.field)->text(), "/picked/file");
    (a.*c.button)->click();  // cancelled: the field keeps its text
    EXPECT_EQ((a.*c.field)->text(), "/picked/file");
    ASSERT_EQ(picker.requests.size(), 2u);
    EXPECT_EQ(picker.requests[0], c.request);
    EXPECT_TRUE(a.isVisible());
    a.Button3->click();
    ASSERT_TRUE(a.chosen());
    EXPECT_EQ(a.chosen()->param, "/picked/file");
  }
}

TEST(ActionDialog, CreateNewOpensAnEditorAndKeepsTheDialogOpen) {
  app();
  int opened = 0;
  TfrmAction a;
  a.onCreateNew = [&] { ++opened; };
  a.show();
  a.selectCaption("Auto-Reply");
  ASSERT_EQ(a.Button9->text(), "&Create New");
  a.Button9->click();
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(a.isVisible());
  a.reject();
}

}  // namespace
}  // namespace cfgman::testing
