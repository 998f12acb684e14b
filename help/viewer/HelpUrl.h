#pragma once

#include <QString>
#include <QUrl>

#include <string>

// The help window addresses the objects of the open help file as "chm:/path#anchor", so that
// relative links in pages resolve the way they do on disk.

// The address of the archive object at `archivePath` (UTF-8, as the archive names it).
QUrl HelpUrlForPath(const std::string& archivePath);

// The archive path (normalised, UTF-8) that `url` addresses; empty when it is no help address.
std::string ArchivePathOfUrl(const QUrl& url);

// `link` as a page, the contents or the index writes it, resolved against the address of the
// object it stands in. Backslashes count as slashes; the references into a help file that
// Windows' viewer understands ("ms-its:QUARN.chm::/x.html", "mk:@MSITStore:...::/x.html") name
// an object of this archive. Links with a scheme of their own (http:, mailto:) stay as written.
QUrl ResolveHelpLink(const QUrl& base, const QString& link);

// Addresses that the desktop opens: http, https, ftp and mailto.
bool IsExternalHelpLink(const QUrl& url);
