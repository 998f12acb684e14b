#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QPalette>
#include <QString>
#include <QWidget>
#include <QtGlobal>

// Saves a picture of `widget` as `fileName` in the folder named by BRUNOVELT_GRAB_DIR, when set,
// so that a run leaves no files behind unless pictures were asked for. BRUNOVELT_GRAB_DARK takes
// the picture in a dark palette, as a desktop with a dark colour scheme shows the widget.
inline void GrabWhenAsked(QWidget& widget, const QString& fileName)
{
    const QString folder = qEnvironmentVariable("BRUNOVELT_GRAB_DIR");
    if (folder.isEmpty())
        return;
    if (qEnvironmentVariableIsSet("BRUNOVELT_GRAB_DARK")) {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(45, 45, 48));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::Button, QColor(60, 60, 64));
        dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
        dark.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
        dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
        dark.setColor(QPalette::Highlight, QColor(38, 79, 120));
        dark.setColor(QPalette::HighlightedText, Qt::white);
        widget.setPalette(dark);
    }
    EXPECT_TRUE(widget.grab().save(folder + u'/' + fileName));
}
