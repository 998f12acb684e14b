#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QString>

#include <optional>

class IDesktop;

// A label that works as a hyperlink: underlined text in the palette's link colour and a
// pointing-hand cursor; a left click opens the target through the desktop, after which the text
// takes the palette's visited-link colour for the rest of the object's life (a failed open beeps
// and leaves it unvisited). The target may be an address, a
// "mailto:" link or a file path; while it is empty, the label's text at the time of the click is
// taken as the target and kept. A label that shows a picture instead of text keeps its normal
// look, but clicks and the cursor work the same. The link takes the focus with Tab (drawn with a
// focus frame) and opens with Space or Enter, and screen readers hear it as a link.
class CStaticLink : public QLabel
{
    Q_OBJECT

public:
    // The two states of m_crText, drawn in the palette's Link and LinkVisited colours.
    static const QColor s_crUnvisited; // 0, 0, 255
    static const QColor s_crVisited;   // 128, 0, 128

    // The pointing-hand cursor all links share, made at the first request in a run.
    static const QCursor& LinkCursor();

    // `desktop` opens the target and beeps when it cannot.
    explicit CStaticLink(IDesktop& desktop, QWidget* parent = nullptr,
                         const QString& target = QString());
    CStaticLink(IDesktop& desktop, const QString& text, QWidget* parent,
                const QString& target = QString());

    QString m_strTarget;
    QColor m_crText = s_crUnvisited;

    // The font the text is drawn in; none until the first paint, which takes the label's font
    // of that moment with underlining added and keeps it.
    const std::optional<QFont>& UnderlineFont() const { return m_fontUnderline; }

    // What a left click does: opens the target, or does nothing when there is none.
    void Activate();

    // The colour the text is drawn in: the palette's colour for m_crText's state (m_crText
    // itself when it is neither), made lighter or darker towards the text colour where it would
    // stand out from the background by less than 4.5:1, as a palette made for the other
    // brightness leaves it (the default blue on a dark background: 1.5:1).
    QColor TextColour() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool ShowsText() const;

    IDesktop& m_desktop;
    std::optional<QFont> m_fontUnderline;
};
