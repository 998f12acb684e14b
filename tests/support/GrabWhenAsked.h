#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <QtGlobal>

// Saves a picture of `widget` as `fileName` in the folder named by BRUNOVELT_GRAB_DIR, when set,
// so that a run leaves no files behind unless pictures were asked for.
inline void GrabWhenAsked(QWidget& widget, const QString& fileName)
{
    const QString folder = qEnvironmentVariable("BRUNOVELT_GRAB_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(widget.grab().save(folder + u'/' + fileName));
    }
}
