#pragma once

#include <QProxyStyle>

// The application's style with one difference: the icons of the menu bar's and the tool bars'
// extension buttons (the ">>" shown when a bar is too short for its items) are read when they are
// first drawn, rather than when the bars are made. The style reads them from image files, and
// the first image file read without a named format loads every image-format plugin installed
// (each a library of its own) to ask it whether it reads the file: work the start-up would do for
// buttons it seldom shows.
class CDeferredIconStyle final : public QProxyStyle
{
public:
    // Over `style`, which it takes over (the application's style, say).
    explicit CDeferredIconStyle(QStyle* style);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
