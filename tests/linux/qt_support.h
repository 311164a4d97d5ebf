#pragma once
// Driving the program's Qt windows from a test as the user would: typing into
// fields, choosing from lists, pressing buttons, answering message boxes. Runs on
// the offscreen platform (the test program's QApplication).

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <vector>

QT_BEGIN_NAMESPACE
// Qt's texts in test failures as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace nearbeam::test {

// Replaces a field's text by typing.
inline void typeInto(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}
inline void typeInto(QComboBox* combo, const QString& text) {
    typeInto(combo->lineEdit(), text);
}

// Chooses an item of a combo box's list with the arrow keys.
inline void choose(QComboBox* combo, const QString& item) {
    const int index = combo->findText(item);
    ASSERT_GE(index, 0) << item.toStdString();
    combo->setFocus();
    for (int i = 0; combo->currentIndex() != index && i <= combo->count(); ++i)
        QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(combo->currentText(), item);
}

inline QStringList itemsOf(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

inline void click(QAbstractButton* button) {
    ASSERT_TRUE(button);
    // Near the left edge: a check box answers only on its box and label.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// Runs action, answering with `answer` the message box it shows; returns the
// box's "caption: text", empty when none came.
inline QString answerBox(const std::function<void()>& action,
                         QMessageBox::StandardButton answer = QMessageBox::Ok) {
    QString seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (box && box->isVisible() && seen.isEmpty()) {
                seen = box->windowTitle() + ": " + box->text();
                if (QAbstractButton* button = box->button(answer))
                    button->click();
                else
                    box->close(); // not the box asked for: the caller sees its text
            }
        }
    });
    poll.start(10);
    action();
    (void)QTest::qWaitFor([&] { return !seen.isEmpty(); }, 30000);
    return seen;
}

// The same for boxes shown one after the other, each answered with the next
// answer; their texts, " | " between them.
inline QString answerBoxes(const std::function<void()>& action,
                           const std::vector<QMessageBox::StandardButton>& answers) {
    QStringList seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (!box || !box->isVisible() || box->property("answered").toBool() ||
                static_cast<size_t>(seen.size()) >= answers.size())
                continue;
            box->setProperty("answered", true);
            const QMessageBox::StandardButton answer = answers[static_cast<size_t>(seen.size())];
            seen << box->windowTitle() + ": " + box->text();
            if (QAbstractButton* button = box->button(answer))
                button->click();
            else
                box->close();
        }
    });
    poll.start(10);
    action();
    (void)QTest::qWaitFor([&] { return static_cast<size_t>(seen.size()) == answers.size(); },
                          30000);
    return seen.join(QStringLiteral(" | "));
}

inline std::filesystem::path demoDataFolder() {
    return std::filesystem::path(NEARBEAM_SOURCE_DIR) / "data" / "demo" / "data";
}

} // namespace nearbeam::test
