#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <vector>

// One topic an entry leads to.
struct HelpTopicLink
{
    QString title; // the topic's own name, or the entry's name when the file gives none
    QString local; // the address as written, relative to the contents or index file
};

// One entry of a help file's table of contents (.hhc) or keyword index (.hhk): its name (the
// heading or the keyword), the topics it leads to (none for a heading without a page; several
// for a keyword found on several pages) and its depth. Entries come in the file's order, each
// nested below the nearest entry before it with a smaller level (0 at the top); the levels stay
// flat, so that no nesting, however deep, makes a tree of objects.
struct HelpSitemapEntry
{
    QString name;
    std::vector<HelpTopicLink> links;
    qsizetype level = 0;
};

// Reads the sitemap HTML of a .hhc or .hhk in one pass: every <OBJECT type="text/sitemap"> is an
// entry, named by its first "Name" parameter; each "Local" parameter adds a link, titled by the
// "Name" that precedes it after the first. An <UL> nests the entries inside it under the entry
// before it. Tags and parameter names are read without regard to case; other objects, tags
// and text are passed over, and an unclosed list or object ends with the text.
std::vector<HelpSitemapEntry> ParseHelpSitemap(QStringView html);

// The text of a help file's HTML (a page, the contents or the index): in code page 932 when its
// <meta> charset names Shift_JIS or code page 932 under any of their names; else in the encoding
// its BOM or charset names when Qt knows it; otherwise UTF-8 when the bytes are well-formed
// UTF-8, else code page 932, which help files written on Japanese Windows use.
QString DecodeHelpText(const QByteArray& bytes);

// `text` with the character references of HTML (&amp; &lt; &gt; &quot; &apos; &nbsp; &#n;
// &#xh;) replaced; others stay as written.
QString DecodeHtmlEntities(QStringView text);
