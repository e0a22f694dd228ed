#include "controls/combo_box98.h"

#include "tests/support/event_wait.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

class ComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        combo = std::make_unique<TComboBox98>();
        combo->show();
        combo->activateWindow();
        combo->setFocus();
        ASSERT_TRUE(testsupport::WaitUntil([this] { return combo->hasFocus(); }));
    }

    void TearDown() override {
        combo.reset();
        EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    }

    void SetItems(const QStringList& items) {
        combo->addItems(items);
        combo->clearEditText();
    }

    // Keys go where the application sends them: to the focus widget.
    static void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    QString Text() const { return combo->lineEdit()->text(); }
    QString Selected() const { return combo->lineEdit()->selectedText(); }
    int Caret() const { return combo->lineEdit()->cursorPosition(); }

    std::unique_ptr<TComboBox98> combo;
};

TEST_F(ComboBoxTest, FirstMatchingItemCompletesInItsOwnCaseAfterTheTypedText) {
    SetItems({"alpha", "Alphabet"});
    Type("AL");
    EXPECT_EQ(Text(), "ALpha");
    EXPECT_EQ(Selected(), "pha");
    EXPECT_EQ(Caret(), 5);

    // Once the first item no longer matches, the next matching one is offered.
    Type("PHAB");
    EXPECT_EQ(Text(), "ALPHABet");
    EXPECT_EQ(Selected(), "et");
}

TEST_F(ComboBoxTest, TypingOverTheSuggestionCompletesAgainOrKeepsTheText) {
    SetItems({"alpha"});
    Type("al");
    Type("p");
    EXPECT_EQ(Text(), "alpha");
    EXPECT_EQ(Selected(), "ha");

    Type("x");
    EXPECT_EQ(Text(), "alpx");
    EXPECT_EQ(Selected(), "");
}

class ComboBoxDeleteKeyTest : public ComboBoxTest, public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(ComboBoxDeleteKeyTest, RemovesTheSuggestionWithoutCompletingAgain) {
    SetItems({"alpha"});
    Type("al");
    Press(GetParam());
    EXPECT_EQ(Text(), "al");
    EXPECT_EQ(Selected(), "");

    Press(GetParam()); // deleting further never brings a suggestion back
    EXPECT_EQ(Text(), GetParam() == Qt::Key_Backspace ? "a" : "al");

    Type("l"); // an ordinary key completes again
    EXPECT_EQ(Selected(), GetParam() == Qt::Key_Backspace ? "pha" : "");
}

INSTANTIATE_TEST_SUITE_P(Keys, ComboBoxDeleteKeyTest,
                         ::testing::Values(Qt::Key_Backspace, Qt::Key_Delete));

TEST_F(ComboBoxTest, OnlyAToZMatchWithoutRegardToCase) {
    SetItems({QString::fromUtf8("\u00e4pfel"), QString::fromUtf8("\u00c4ste")});
    Type(QString::fromUtf8("\u00c4"));
    EXPECT_EQ(Text(), QString::fromUtf8("\u00c4ste"));
    EXPECT_EQ(Selected(), "ste");
}

TEST_F(ComboBoxTest, HandlerSeesTheTailAndCanChangeOrRefuseIt) {
    SetItems({"alpha", "alps"});
    int calls = 0;
    combo->OnComplete = [&](TComboBox98& sender, int key, QString& tail, bool& doComplete) {
        ++calls;
        EXPECT_EQ(&sender, combo.get());
        EXPECT_EQ(key, Qt::Key_A);
        EXPECT_EQ(tail, "lpha");
        doComplete = calls > 1;
        tail = "-omega";
    };
    Type("a");
    EXPECT_EQ(calls, 1); // a refusal does not move on to "alps"
    EXPECT_EQ(Text(), "a");

    Press(Qt::Key_Backspace);
    Type("a");
    EXPECT_EQ(Text(), "a-omega");
    EXPECT_EQ(Selected(), "-omega");
}

// The handler runs through a copy: clearing its own event frees nothing it
// still runs on, and its choice applies.
TEST_F(ComboBoxTest, HandlerMayClearItsOwnEvent) {
    SetItems({"alpha"});
    int calls = 0;
    QString seen;
    combo->OnComplete = [this, &calls, &seen](TComboBox98& sender, int, QString& tail, bool&) {
        sender.OnComplete = nullptr;
        ++calls;
        seen = tail;
        tail = "pine";
        EXPECT_EQ(&sender, combo.get());
    };
    Type("a");
    EXPECT_EQ(seen, "lpha");
    EXPECT_EQ(Text(), "apine");
    Type("l"); // completes without the handler
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Text(), "alpha");
}

TEST_F(ComboBoxTest, NoCompletionWhenSwitchedOffOrBelowTheMinimumLength) {
    SetItems({"alpha"});
    combo->SetMinLength(3);
    Type("al");
    EXPECT_EQ(Text(), "al");
    Type("p");
    EXPECT_EQ(Text(), "alpha");

    combo->clearEditText();
    combo->SetComplete(false);
    Type("alp");
    EXPECT_EQ(Text(), "alp");
}

// Switching editing off and on again makes a new edit field; the toolkit's own
// completer must not come with it, and the completion must go on.
TEST_F(ComboBoxTest, EditingSwitchedOffAndOnAgainKeepsTheOwnCompletionOnly) {
    SetItems({"alpha"});
    int calls = 0;
    combo->OnComplete = [&](TComboBox98&, int, QString&, bool&) { ++calls; };
    combo->setEditable(false);
    combo->setEditable(true);
    combo->setFocus();
    ASSERT_TRUE(testsupport::WaitUntil([this] { return combo->hasFocus(); }));
    combo->clearEditText();

    combo->SetComplete(false);
    Type("al");
    EXPECT_EQ(Text(), "al");

    combo->clearEditText();
    combo->SetComplete(true);
    Type("al");
    EXPECT_EQ(Text(), "alpha");
    EXPECT_EQ(Selected(), "pha");
    EXPECT_EQ(calls, 2);
}

TEST_F(ComboBoxTest, CuttingEverythingPutsInTheFirstItem) {
    SetItems({"alpha", "beta"});
    Type("zz");
    Press(Qt::Key_A, Qt::ControlModifier);
    Press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Text(), "alpha");
    EXPECT_EQ(Selected(), "alpha");
}

TEST_F(ComboBoxTest, OwnerSeesTheTypedTextBeforeTheCompletion) {
    SetItems({"alpha"});
    QSignalSpy changes(combo.get(), &QComboBox::editTextChanged);
    Type("a");
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(0).at(0).toString(), "a");
    EXPECT_EQ(changes.at(1).at(0).toString(), "alpha");
}

} // namespace
