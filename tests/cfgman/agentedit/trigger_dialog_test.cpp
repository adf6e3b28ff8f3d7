// The trigger dialog: its boxes, the sentence it builds from them, loading a
// stored trigger for editing, and OK by Enter in the value box.
#include <QTest>
#include <gtest/gtest.h>

#include "../support/cfgman_app.h"
#include "cfgman/agentedit/trigger_dialog.h"

namespace cfgman::testing {
namespace {

TEST(TriggerDialog, BoxesOfferTheStoredVocabularyAndOnlyIt) {
  app();
  TfrmTrigger t;
  EXPECT_EQ(t.windowTitle(), "Trigger Settings");
  QStringList fields, conditions;
  for (int i = 0; i < t.cmbHeader->count(); ++i) fields << t.cmbHeader->itemText(i);
  for (int i = 0; i < t.cmbCondition->count(); ++i) conditions << t.cmbCondition->itemText(i);
  EXPECT_EQ(fields, (QStringList{"Subject", "From", "To", "Cc", "Reply To", "<Any Header>", "<Body>"}));
  EXPECT_EQ(conditions, (QStringList{"contains", "doesn't contain", "begins with", ""}));
  EXPECT_FALSE(t.cmbHeader->isEditable());
  EXPECT_FALSE(t.cmbCondition->isEditable());
}

TEST(TriggerDialog, SentenceFollowsEveryBox) {
  app();
  struct Case {
    const char* name;
    const char* field;
    const char* condition;
    const char* value;
    const char* sentence;
  };
  const Case cases[] = {
      {"typed value", "From", "begins with", "boss@", "If the From begins with boss@"},
      {"empty value ends in a blank", "Subject", "contains", "", "If the Subject contains "},
      {"empty condition gives two blanks", "<Body>", "", "x y", "If the <Body>  x y"},
      {"negation", "Reply To", "doesn't contain", "spam", "If the Reply To doesn't contain spam"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TfrmTrigger t;
    t.show();
    t.cmbHeader->setCurrentText(c.field);
    t.cmbCondition->setCurrentText(c.condition);
    QTest::keyClicks(t.memoValue, c.value);
    EXPECT_EQ(t.lblSentence->text().toStdString(), c.sentence);
    const store::Trigger got = t.trigger();
    EXPECT_EQ(got, (store::Trigger{c.field, c.condition, c.value}));
    t.reject();
  }
}

TEST(TriggerDialog, NewTriggerStartsOnSubjectContains) {
  app();
  TfrmTrigger t;
  t.show();
  EXPECT_EQ(t.cmbHeader->currentText(), "Subject");
  EXPECT_EQ(t.cmbCondition->currentText(), "contains");
  EXPECT_EQ(t.memoValue->text(), "");
  EXPECT_EQ(t.lblSentence->text(), "If the Subject contains ");
  t.reject();
}

TEST(TriggerDialog, EditingShowsTheStoredTriggerMatchedIgnoringCase) {
  app();
  struct Case {
    const char* name;
    store::Trigger stored;
    const char* field;
    const char* condition;
    const char* sentence;
  };
  const Case cases[] = {
      {"as written", {"From", "begins with", "boss"}, "From", "begins with", "If the From begins with boss"},
      {"other case", {"REPLY TO", "DOESN'T CONTAIN", "x"}, "Reply To", "doesn't contain",
       "If the Reply To doesn't contain x"},
      {"unknown field and condition stay empty", {"X-Mailer", "DOES NOT CONTAIN", "v"}, "", "", "If the   v"},
      {"empty condition", {"<body>", "", "v"}, "<Body>", "", "If the <Body>  v"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TfrmTrigger t;
    t.loadTrigger(c.stored);
    t.show();
    EXPECT_EQ(t.cmbHeader->currentText().toStdString(), c.field);
    EXPECT_EQ(t.cmbCondition->currentText().toStdString(), c.condition);
    EXPECT_EQ(t.memoValue->text().toStdString(), c.stored.value);
    EXPECT_EQ(t.lblSentence->text().toStdString(), c.sentence);
    t.reject();
  }
}

TEST(TriggerDialog, EnterInTheValueBoxPressesOk) {
  app();
  TfrmTrigger t;
  t.show();
  QTest::keyClicks(t.memoValue, "invoice");
  QTest::keyClick(t.memoValue, Qt::Key_Return);
  EXPECT_EQ(t.result(), QDialog::Accepted);
  EXPECT_FALSE(t.isVisible());
  EXPECT_EQ(t.trigger().value, "invoice");
}

}  // namespace
}  // namespace cfgman::testing
