#pragma once

#include "ftp/FtpEngine.h"

#include <QString>
#include <QStringList>

namespace onda {

// One FTP session: set up with FTPInit, then single files or sets of files copied between a
// local folder and a folder on the server, then FTPClose. Every operation but FTPClose returns
// true, or false with a multi-line report in sError (left untouched on success). The class shows
// no messages itself. A transfer blocks its caller while window events keep running.
class FTP {
public:
    FTP() = default;
    FTP(const FTP&) = delete;
    FTP& operator=(const FTP&) = delete;

    // Keeps the settings; makes no connection. Time-out 0 means 60 seconds, port 0 the default
    // port, an empty proxy the system's default access.
    bool FTPInit(const QString& sURL, const QString& sUserName, const QString& sPassword, int iTimeOut, int iRemotePort,
                 const QString& sProxy, QString& sError);
    // Uploads sLocalFolder/sFileName (doubled separators reduced) to sFTPFolder/sFTPFileName.
    bool FTPPut(const QString& sLocalFolder, const QString& sFileName, const QString& sFTPFolder,
                const QString& sFTPFileName, QString& sError);
    // Downloads into sLocalFolder/sFileName, replacing a file of that name only when the transfer
    // succeeds; from sFTPFolder when bSpecifyFolder, else from the server's current folder.
    bool FTPGet(const QString& sLocalFolder, const QString& sFileName, const QString& sFTPFolder, QString& sError,
                bool bSpecifyFolder = false);
    // Every file of sFTPFolder (which becomes the current folder) whose name contains the text,
    // whatever the case.
    bool FTPGetAll(const QString& sLocalFolder, const QString& sFileNameString, const QString& sFTPFolder,
                   QString& sError);
    // Every file of sLocalFolder whose name contains the text, whatever the case.
    bool FTPPutAll(const QString& sLocalFolder, const QString& sFileNameString, const QString& sFTPFolder,
                   QString& sError);
    // Ends the session; never fails.
    void FTPClose();

    const FtpSettings& settings() const { return m_engine.settings(); }
    long responseCode() const { return m_engine.responseCode(); }
    const QString& responseInfo() const { return m_engine.responseInfo(); }
    bool stillExecuting() const { return m_engine.stillExecuting(); }
    const QString& currentFolder() const { return m_engine.currentFolder(); }

    // "Error Msg: ", "Procedure: ", then details, or else the lines of the failure being handled
    // (number when not 0, source, description when there is one), joined by CR LF.
    static QString BuildErrorReport(const QString& msg, const QString& procedure, const QString& details,
                                    const FtpFailure& handled = {});

private:
    bool succeeded(const FtpFailure& failure) const { return !failure.raised() && responseCode() == 0; }
    QString failureReport(const FtpFailure& failure, const QString& fixedText, const QString& procedure) const;
    bool fGetFileList(const QString& sLocalFolder, const QString& pattern, const QString& listing,
                      const QString& sFTPFolder, QString& sError);

    FtpEngine m_engine;
};

// The names of a name listing, lines ended by CR LF or LF; an unterminated last line is
// dropped (it may be cut short), and so are empty lines and names holding a folder part.
QStringList listingEntries(const QString& listing);

// A local path with runs of directory separators reduced to one; a leading pair (a network
// path) is kept.
QString reduceDoubledSeparators(const QString& path);

} // namespace onda
