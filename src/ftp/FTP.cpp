#include "ftp/FTP.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace onda {

namespace {

const QString crlf = u"\r\n"_s;
const QString putFailed = u"Error during FTP Put operation."_s;
const QString getFailed = u"Error during FTP Get operation."_s;
const QString noFiles = u"No files found."_s;

bool isSeparator(QChar c) {
    return c == u'/' || c == QDir::separator();
}

QString localPath(const QString& folder, const QString& name) {
    return folder + QDir::separator() + name;
}

// An empty folder means the current one.
QString remotePath(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : folder + u'/' + name;
}

} // namespace

QString reduceDoubledSeparators(const QString& path) {
    QString reduced;
    reduced.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (i > 1 && isSeparator(path[i]) && isSeparator(reduced.back()))
            continue;
        reduced += path[i];
    }
    return reduced;
}

QStringList listingEntries(const QString& listing) {
    QStringList entries;
    qsizetype start = 0;
    for (qsizetype end = listing.indexOf(u'\n'); end >= 0; end = listing.indexOf(u'\n', start)) {
        QString entry = listing.mid(start, end - start);
        if (entry.endsWith(u'\r'))
            entry.chop(1);
        // The name becomes a local path: one that would lead out of the folder is not taken.
        if (!entry.isEmpty() && entry != u"."_s && entry != u".."_s && !entry.contains(u'/') && !entry.contains(u'\\'))
            entries << entry;
        start = end + 1;
    }
    return entries;
}

QString FTP::BuildErrorReport(const QString& msg, const QString& procedure, const QString& details,
                              const FtpFailure& handled) {
    QString report = u"Error Msg: "_s + msg + crlf + u"Procedure: "_s + procedure + crlf;
    if (!details.isEmpty())
        return report + details;
    if (handled.number != 0)
        report += u"Error Number: "_s + QString::number(handled.number);
    report += crlf + u"Error Source: "_s + (handled.source.isEmpty() ? u"Vellorin FTP Class"_s : handled.source);
    if (!handled.description.isEmpty())
        report += crlf + u"Description: "_s + handled.description;
    return report;
}

QString FTP::failureReport(const FtpFailure& failure, const QString& fixedText, const QString& procedure) const {
    // A refusal is told in the server's own words; a failure raised on the way by the fixed text.
    const QString msg = responseCode() != 0 && !responseInfo().isEmpty() ? responseInfo() : fixedText;
    return BuildErrorReport(msg, procedure, {}, failure);
}

bool FTP::FTPInit(const QString& sURL, const QString& sUserName, const QString& sPassword, int iTimeOut,
                  int iRemotePort, const QString& sProxy, QString& sError) {
    const FtpSettings settings{sURL, sUserName, sPassword, iTimeOut == 0 ? 60 : iTimeOut, iRemotePort, sProxy};
    if (const FtpFailure f = m_engine.configure(settings); f.raised()) {
        sError = BuildErrorReport(u"Error initializing FTP connection."_s, u"FTPInitError"_s, {}, f);
        return false;
    }
    return true;
}

bool FTP::FTPPut(const QString& sLocalFolder, const QString& sFileName, const QString& sFTPFolder,
                 const QString& sFTPFileName, QString& sError) {
    const FtpFailure f =
        m_engine.put(reduceDoubledSeparators(localPath(sLocalFolder, sFileName)), remotePath(sFTPFolder, sFTPFileName));
    if (succeeded(f))
        return true;
    sError = failureReport(f, putFailed, u"FTPPut"_s);
    return false;
}

bool FTP::FTPGet(const QString& sLocalFolder, const QString& sFileName, const QString& sFTPFolder, QString& sError,
                 bool bSpecifyFolder) {
    const FtpFailure f = m_engine.get(bSpecifyFolder ? remotePath(sFTPFolder, sFileName) : sFileName,
                                      localPath(sLocalFolder, sFileName));
    if (succeeded(f))
        return true;
    sError = failureReport(f, getFailed, u"FTPGet"_s);
    return false;
}

bool FTP::FTPGetAll(const QString& sLocalFolder, const QString& sFileNameString, const QString& sFTPFolder,
                    QString& sError) {
    FtpFailure f = m_engine.changeFolder(sFTPFolder);
    QString listing;
    if (succeeded(f))
        f = m_engine.listNames(listing);
    if (!succeeded(f)) {
        sError = failureReport(f, getFailed, u"FTPGetAll"_s);
        return false;
    }
    if (listing.isEmpty()) {
        sError = noFiles;
        return false;
    }
    return fGetFileList(sLocalFolder, sFileNameString.toUpper(), listing, sFTPFolder, sError);
}

bool FTP::fGetFileList(const QString& sLocalFolder, const QString& pattern, const QString& listing,
                       const QString& sFTPFolder, QString& sError) {
    // Names are compared upper-cased but fetched as listed: the server may tell case apart.
    for (const QString& entry : listingEntries(listing)) {
        if (entry.toUpper().contains(pattern) && !FTPGet(sLocalFolder, entry, sFTPFolder, sError, false))
            return false;
    }
    return true;
}

bool FTP::FTPPutAll(const QString& sLocalFolder, const QString& sFileNameString, const QString& sFTPFolder,
                    QString& sError) {
    const QDir folder(sLocalFolder);
    if (!folder.exists()) {
        sError = BuildErrorReport(putFailed, u"FTPPutAll"_s, {}, {0, {}, u"Local folder not found: "_s + sLocalFolder});
        return false;
    }
    const QString pattern = sFileNameString.toUpper();
    bool matched = false;
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        if (!name.toUpper().contains(pattern))
            continue;
        matched = true;
        if (!FTPPut(sLocalFolder, name, sFTPFolder, name, sError))
            return false;
    }
    if (!matched) {
        sError = noFiles;
        return false;
    }
    return true;
}

void FTP::FTPClose() {
    m_engine.close();
}

} // namespace onda
