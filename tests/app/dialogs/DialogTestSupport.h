#pragma once

#include "GrabWhenAsked.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <utility>

// Runs `action` on the modal dialog of type Dialog as soon as one is shown. While the object
// lives, a modal dialog that is still open after five seconds fails the test and is closed, so
// that a dialog nobody answers cannot hang the run.
template <class Dialog> class CWhenModal
{
public:
    explicit CWhenModal(std::function<void(Dialog&)> action)
    {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this, action = std::move(action)] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_poll.stop();
            action(*dialog);
        });
        m_poll.start();
        m_watchdog.setSingleShot(true);
        m_watchdog.setInterval(5000);
        QObject::connect(&m_watchdog, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "a modal dialog stayed open: "
                              << dialog->windowTitle().toStdString();
                dialog->reject();
            }
        });
        m_watchdog.start();
    }

private:
    QTimer m_poll;
    QTimer m_watchdog;
};

// A control's text as drawn: "&&" is one ampersand, a lone "&" marks the mnemonic and takes no
// room.
inline QString ShownText(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}

// The width a control needs to show its whole text in its font.
inline int NeededWidth(const QWidget& control)
{
    const QFontMetrics metrics(control.font());
    const QStyle* style = control.style();
    if (const auto* check = qobject_cast<const QCheckBox*>(&control))
        return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, check) +
               metrics.horizontalAdvance(ShownText(check->text()));
    if (const auto* button = qobject_cast<const QPushButton*>(&control))
        return 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
               metrics.horizontalAdvance(ShownText(button->text()));
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        if (!label->pixmap().isNull())
            return label->pixmap().deviceIndependentSize().toSize().width();
        if (label->wordWrap())
            return 0; // broken into lines to fit: NeededHeight checks them
        return metrics.horizontalAdvance(label->buddy() ? ShownText(label->text()) : label->text());
    }
    return 0;
}

inline int NeededHeight(const QWidget& control)
{
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        if (!label->pixmap().isNull())
            return label->pixmap().deviceIndependentSize().toSize().height();
        if (label->wordWrap())
            return label->heightForWidth(label->width());
    }
    return QFontMetrics(control.font()).height();
}

// Every control of `dialog` lies inside it, no two overlap, and each shows its whole text (or
// picture) within its rectangle.
inline void ExpectLaidOutCleanly(const QDialog& dialog)
{
    const QList<QWidget*> controls = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_FALSE(controls.isEmpty());
    const QRect inside(QPoint(0, 0), dialog.size());
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QWidget& control = *controls[i];
        const std::string name = control.metaObject()->className() + std::string(" ") +
                                 control.property("text").toString().toStdString();
        SCOPED_TRACE(name);
        const QRect box = control.geometry();
        EXPECT_TRUE(inside.contains(box))
            << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
        EXPECT_LE(NeededWidth(control), box.width());
        EXPECT_LE(NeededHeight(control), box.height());
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(box.intersects(controls[j]->geometry()))
                << "overlaps " << controls[j]->metaObject()->className() << " "
                << controls[j]->property("text").toString().toStdString();
    }
}
