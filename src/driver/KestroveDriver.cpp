#include "driver/KestroveDriver.h"

#include "app/QL_AppMbrCall.h"
#include "app/QL_Banner.h"
#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_OptionKinds.h"
#include "cmdline/C_Options.h"
#include "cmdline/U_EnvDirectories.h"
#include "driver/BaselineDatabase.h"
#include "driver/DiffCommand.h"
#include "driver/DiffProcess.h"
#include "driver/DriverOptions.h"
#include "driver/KestroveUsage.h"
#include "driver/SupGen.h"
#include "encoding/U_Codec.h"
#include "encoding/U_Encoding.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_ErrorFile.h"
#include "messages/M_ErrorFileException.h"
#include "messages/M_InputVerro.h"
#include "messages/M_Output.h"
#include "messages/R_Exceptions.h"
#include "patch/FileDigest.h"
#include "patch/Patch.h"
#include "patch/PatchGen.h"
#include "patch/PatchGen_ReaderXML.h"
#include "patch/PatchGen_WriterXML.h"
#include "patch/PatchReader.h"
#include "platform/BackgroundClose.h"
#include "platform/LexicalPath.h"
#include "platform/PathLookup.h"

#include <QCoreApplication>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <set>

namespace {

bool outOfDescriptors(int error)
{
    return error == EMFILE || error == ENFILE;
}

std::string native(const std::string& internal)
{
    return U_Encoding::toNative(internal);
}

// The output directory of the current command line, "." for an empty one.
std::string outputDirectory()
{
    const std::string dir = U_Env::outputDirectory();
    return dir.empty() ? std::string(".") : dir;
}

// The mapping of the file name from its change commands, in order. The name
// never enters the text the commands are read from, so nothing in it can
// read as a command. False when a command leaves the 32-bit line range; the
// command is then in badLine.
bool readMapping(const std::string& name, const PatchLines& lines, U_RefPtr<FilePatch>& mapping, std::string& badLine)
{
    mapping = new FilePatch(name);
    return PatchReader::readChangeCommands(lines, mapping, badLine);
}

// The log text of a lookup key: what the log showed of the key's text form,
// or the key's bytes where they are no UTF-8 text.
std::string keyLogText(const std::string& key)
{
    QString text;
    if (!U_Codec::fromUtf8Exactly(key, text))
        return key;
    return text.toLocal8Bit().toStdString();
}

// The %BT value of an ident (FR_Ident's bytes as the database holds them,
// UTF-8 text): its text in the native encoding where it converts without
// loss, else its own bytes.
std::string identArgument(const std::string& ident)
{
    QString text;
    std::string internal;
    if (!U_Codec::fromUtf8Exactly(ident, text) || !U_Codec::fromQStringExactly(text, internal))
        return ident;
    return native(internal);
}

// Failures that are the run's own (no descriptor left) or those of a file
// the run will not reach (through another user's link, in a directory
// swapped during the run): a message file they keep from its section is one
// the run could not write, never one that is missing or unreadable.
bool keepsFromSection(int error)
{
    return outOfDescriptors(error) || error == platform::kRefusedLink || error == platform::kSwappedDirectory;
}

// Logged once per registration whose rows hold a value that was left out.
const char kSkippedRowsWarning[] = "Warning : rows with values that are no 32-bit integers skipped for";

} // namespace

KestroveDriver::KestroveDriver() = default;

KestroveDriver::~KestroveDriver() = default;

void KestroveDriver::silentMessageHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

int KestroveDriver::exec(int argc, char** argv)
{
    qInstallMessageHandler(&KestroveDriver::silentMessageHandler);
    QCoreApplication application(argc, argv);
    application_ = &application;
    frame_ = new QL_AppMbrCall<KestroveDriver, C_OrphanFileHandler>(kQL_Banner, this, &KestroveDriver::run,
                                                                   &KestroveDriver::usage);
    const int code = QL_App::main(argc - 1, argv + 1, frame_);
    application_ = nullptr;
    return code;
}

void KestroveDriver::usage()
{
    std::cerr << kQL_Banner << std::endl;
    for (const char* line : kKestroveUsageLines)
        std::cerr << line << std::endl;
}

void KestroveDriver::closeLog()
{
    log_.close();
}

void KestroveDriver::openLog(const std::string& name, const C_OrphanFileHandler& handler)
{
    if (name.empty())
        return;
    if (name == "-") {
        log_.openStream(std::cout);
        return;
    }
    const std::string path =
        DriverOptions::logPath(name, native(handler.begin()->file.fullName()), native(outputDirectory()));
    if (!log_.openFile(outputDirectories_.locate(path)))
        std::cout << "Warning: unable to open log " << path << std::endl;
}

std::string KestroveDriver::expandedValue(const std::string& what, const std::string& value)
{
    log(what + " passed in : ", native(value));
    const std::string expanded = U_Encoding::fromNative(native(value));
    log("expanded " + what + " : ", native(expanded));
    return expanded;
}

std::string KestroveDriver::resolveSuppressionFile()
{
    std::string path;
    const C_OptionFilename* option = C_Options::current_suppressionfile();
    if (option->isSet())
        path = expandedValue("sup file", option->value());
    if (path.empty()) {
        const std::string dir = outputDirectory();
        path = dir + (dir.back() == '/' ? "" : "/") + "baseline.sup";
        log("no sup file provided - defaulting to baseline.sup");
    }
    log("using sup file : ", native(path));
    return path;
}

void KestroveDriver::resolveRootPath()
{
    const C_OptionFilename* option = C_Options::current_sourcepath();
    if (option->isSet()) {
        std::string value = expandedValue("rootpath file", option->value());
        std::replace(value.begin(), value.end(), '\\', '/');
        rootPath_ = platform::absolutePath(native(value));
        log("corrected rootpath file : ", rootPath_);
    }
    if (!rootPath_.empty())
        log("ROOTPATH: ", rootPath_);
    else
        log("Warning: rootpath is not set");
}

void KestroveDriver::resolveDiffCommand(const std::string& supPath)
{
    const C_OptionString* option = C_Options::current_suppressiondifftool();
    if (!option->isSet()) {
        log("implicit diff option used");
        // The directory keeps its "/" separators: the diff command is a
        // program of this system.
        diffCommand_ = "tandor %BF %BR \"" + platform::absoluteDirectory(supPath) + "/\"";
    } else {
        // The word as given, in the native encoding: its names and its
        // quoting are read over bytes.
        diffCommand_ = option->value();
    }
    log("diff command : ", diffCommand_);
}

std::string KestroveDriver::loadPatchCache()
{
    const std::string path = native(outputDirectory()) + "/patch.xml";
    log("reading patch file : ", path);
    const platform::FileAt file = outputDirectories_.locate(path);
    if (!platform::existsAt(file)) {
        log("Warning : file not found", path);
    } else if (!nocache_) {
        // The cache only spares diffs: a file that cannot be used, or any
        // failure while loading it, leaves the run with an empty cache.
        bool loaded = false;
        try {
            PatchGen_ReaderXML reader;
            PatchGen gen;
            gen.setReader(&reader);
            loaded = reader.open(file) && gen.read(&patchCache_);
            reader.close();
        } catch (...) {
            loaded = false;
        }
        if (!loaded) {
            patchCache_ = PatchHandler();
            log("Warning : unable to open patch file");
        }
    } else {
        (void)::unlinkat(file.dir, file.name.c_str(), 0);
        log("Warning : NOCACHE option specified, erasing patch file");
        if (platform::existsAt(file))
            log("Error : Unable to erase patch file");
    }
    return path;
}

bool KestroveDriver::openDatabase(BaselineDatabase& db)
{
    log("Loading driver");
    if (!db.isValid())
        log("ERROR : Unable to load driver");
    log("Checking for database existance");
    // The default baseline lies in the output directory, reached as its
    // other files are.
    const platform::FileAt file = outputDirectories_.locate(dbFile_);
    const int lookup = file.dir < 0 ? errno : 0;
    if (outOfDescriptors(lookup))
        runOutOfDescriptors(dbFile_, lookup);
    if (lookup == platform::kRefusedLink || lookup == platform::kSwappedDirectory) {
        log("unable to open for read", dbFile_);
        log("Reason : " + platform::openFailureText(lookup));
        return false;
    }
    if (!platform::existsAt(file)) {
        log("sup file does not exist", dbFile_);
        return false;
    }
    log("db file exists", std::string("obtaining hash of sup file"));
    // Taken before the first query, so that a change made while the run
    // reads makes the next run diff again.
    const BaselineStamp stamp = BaselineDatabase::stamp(file);
    if (stamp.fileDigest.empty())
        log("Error :", "unable to generate hash for " + dbFile_);
    else
        log("Hash : ", stamp.fileDigest + " " + dbFile_);
    if (!stamp.walPath.empty()) {
        if (stamp.walDigest.empty())
            log("Error :", "unable to generate hash for " + stamp.walPath);
        else
            log("Hash : ", stamp.walDigest + " " + stamp.walPath);
    }
    supHash_ = stamp.value();
    if (!db.open(file)) {
        if (outOfDescriptors(db.openErrno()))
            runOutOfDescriptors(dbFile_, db.openErrno());
        log("unable to open for read", dbFile_);
        if (db.openErrno() == platform::kRefusedLink)
            log("Reason : " + platform::openFailureText(db.openErrno()));
        return false;
    }
    return true;
}

void KestroveDriver::runOutOfDescriptors(const std::string& path, int error)
{
    log("Error : unable to open", path);
    log("Reason : " + platform::openFailureText(error));
    throw U_UserException("ERROR: unable to open " + path + ": " + platform::openFailureText(error));
}

void KestroveDriver::sectionNotAppended(const std::string& errPath, const std::string& reason)
{
    log("Error : section not appended to", native(errPath));
    log("Reason : " + reason);
}

void KestroveDriver::refreshCacheStamp()
{
    // Entries made for another state of the baseline, or for one whose
    // digest is unknown, would replay mappings made for other rows.
    if (patchCache_.sdate().empty() || supHash_.empty() || patchCache_.sdate() != supHash_) {
        patchCache_.clear();
        if (!supHash_.empty()) {
            patchCache_.setSName(dbFile_);
            patchCache_.setSDate(supHash_);
        }
    }
}

int KestroveDriver::run(U_RefPtr<C_CmdArgs> cmdArgs, C_OrphanFileHandler* handler)
{
    cmdArgs_ = cmdArgs;
    cmdArgs->makeCurrent();
    if (cmdArgs_->options()->version()->isSet())
        return 0;
    if (cmdArgs_->options()->help()->isSet()) {
        usage();
        return 0;
    }
    if (handler->isEmpty()) {
        usage();
        return 1;
    }

    const DriverOptions options = DriverOptions::fromValues(C_Options::current_prodoption()->values());
    nocache_ = options.nocache;
    openLog(options.logName, *handler);

    std::string supPath = resolveSuppressionFile();
    resolveRootPath();
    resolveDiffCommand(native(supPath));
    const std::string patchPath = loadPatchCache();
    // Told for as long as the run lasts, also when it ends by an exception.
    struct LockWaitNotice {
        explicit LockWaitNotice(M_Output::LockWaitNotice notice) { M_Output::setLockWaitNotice(std::move(notice)); }
        ~LockWaitNotice() { M_Output::setLockWaitNotice(nullptr); }
    } notice([this](const std::string& path) { log("Warning : waiting for the lock of", path); });

    // On the internal text: a byte 0x5C inside a Shift_JIS character is no
    // separator.
    std::replace(supPath.begin(), supPath.end(), '\\', '/');
    dbFile_ = native(supPath);
    log("DBFILE : ", dbFile_);
    {
        BaselineDatabase db;
        if (openDatabase(db)) {
            refreshCacheStamp();
            for (const C_InputFile& input : *handler)
                processSourceFile(input, db);
            savePatchCache(patchPath);
        }
    }
    // The message files replaced by new ones are freed by then.
    platform::waitForBackgroundCloses();
    closeLog();
    return 0;
}

void KestroveDriver::processSourceFile(const C_InputFile& input, BaselineDatabase& db)
{
    const std::string errPath = M_ErrorFile::path(input.outputDirectory, input.file.fullName());
    log("Opening : " + native(errPath));

    const platform::FileAt errFile = outputDirectories_.locate(native(errPath));
    if (errFile.dir < 0 && keepsFromSection(errno)) {
        sectionNotAppended(errPath, platform::openFailureText(errno));
        throw R_WritingException();
    }
    std::set<std::string> names;
    int generation = 0;
    R_ReadImage image;
    U_RefPtr<M_InputVerro> reader(new M_InputVerro());
    try {
        reader->setFileName(input.file.fullName());
        reader->open(errPath, errFile);
        log("Parsing diagnostics");
        for (auto it = reader->diagnosticsBegin(); it != reader->diagnosticsEnd(); ++it) {
            const U_Location& location = (*it)->location();
            if (location.isValid())
                names.insert(location.fileName().storedFullName());
        }
        log("Parsing complete");
        generation = reader->generation();
        image = reader->takeImage();
    } catch (const R_ReadingException& e) {
        log("Failure reading error file");
        log(native(errPath));
        log(std::string(e.what()));
        return;
    } catch (...) {
        if (keepsFromSection(reader->openErrno())) {
            sectionNotAppended(errPath, platform::openFailureText(reader->openErrno()));
            throw R_WritingException();
        }
        log("Unknown failure reading error file");
        log(native(errPath));
        return;
    }

    if (!platform::existsAt(errFile)) {
        log("Error: err file to be patched does not exist", native(errPath));
        log("Src File : ", native(input.file.fullName()));
        log("Output   : ", native(input.outputDirectory));
        return;
    }
    // A section of the current generation would make an empty, short or
    // older file unreadable.
    if (generation != 3) {
        log("Error: err file to be patched is not of the current format", native(errPath));
        return;
    }

    // Only close() writes the section: when an exception leaves this step the
    // channel is dropped unwritten and the message file stays as it was, not
    // given a section that lacks what the failure left out.
    try {
        M_Output::openAppend(errPath, errFile, std::move(image));
    } catch (const M_BadFileOpenException&) {
        sectionNotAppended(errPath, M_Output::lastFailure());
        throw;
    }
    try {
        appendSuppressions(names, db);
    } catch (...) {
        M_Output::drop();
        throw;
    }
    try {
        M_Output::close();
    } catch (const R_WritingException&) {
        sectionNotAppended(errPath, M_Output::lastFailure());
        throw;
    }
}

void KestroveDriver::appendSuppressions(const std::set<std::string>& names, BaselineDatabase& db)
{
    for (const std::string& name : names) {
        const std::string nativeName = native(name);
        const std::string key = lookupKey(name, nativeName);
        const int primary = registration(key, db);
        U_RefPtr<FilePatch> patch = getFilePatch(nativeName);
        if (primary == 0)
            continue;
        std::vector<BaselineDatabase::Suppression> rows;
        int skipped = 0;
        QSqlError error;
        if (!db.suppressions(primary, rows, skipped, error)) {
            log("ERROR : unable to obtain suppressions for", keyLogText(key));
            baselineFailed(key, error);
        }
        if (skipped > 0)
            log(kSkippedRowsWarning, keyLogText(key));
        for (const BaselineDatabase::Suppression& row : rows) {
            if (row.state == 0)
                addBaselineSuppression(patch, row.line, row.column, row.message, nativeName);
        }
    }
}

std::string KestroveDriver::lookupKey(const std::string& name, const std::string& nativeName) const
{
    QString text;
    if (U_Codec::toQStringExactly(name, text)) {
        const std::string utf8 = text.toUtf8().toStdString();
        QString root;
        if (rootPath_.empty() || U_Codec::toQStringExactly(U_Encoding::fromNative(rootPath_), root))
            return DiffCommand::lookupKey(utf8, root.toUtf8().toStdString());
        // A root path that the text form would alter cannot begin a name
        // that it keeps whole, unless the bytes say so.
        if (!DiffCommand::startsWithNoCase(nativeName, rootPath_))
            return DiffCommand::lookupKey(utf8, std::string());
    }
    return DiffCommand::lookupKey(nativeName, rootPath_);
}

int KestroveDriver::registration(const std::string& key, BaselineDatabase& db)
{
    const auto cached = primaryCache_.find(key);
    if (cached != primaryCache_.end())
        return cached->second;
    primaryCache_[key] = 0;
    std::vector<BaselineDatabase::Registration> rows;
    int skipped = 0;
    QSqlError error;
    if (!db.registrations(key, rows, skipped, error)) {
        log("ERROR : unable to obtain file information");
        log(keyLogText(key));
        baselineFailed(key, error);
    }
    int primary = 0;
    for (const BaselineDatabase::Registration& row : rows) {
        identCache_[key] = row.ident;
        primary = row.primary;
        primaryCache_[key] = primary;
        log("Ident : ", keyLogText(key) + " " + keyLogText(row.ident));
    }
    if (skipped > 0)
        log(kSkippedRowsWarning, keyLogText(key));
    return primary;
}

void KestroveDriver::baselineFailed(const std::string& key, const QSqlError& error)
{
    log(error.databaseText());
    log(error.driverText());
    throw BaselineQueryException("ERROR: the baseline could not be read for " + keyLogText(key) + ": " +
                                 error.databaseText().toLocal8Bit().toStdString());
}

void KestroveDriver::savePatchCache(const std::string& path)
{
    if (!patchCache_.isModified() || nocache_)
        return;
    PatchGen_WriterXML writer;
    PatchGen gen;
    gen.setWriter(&writer);
    // A save that fails keeps the old file; the run's outcome stays as it is.
    bool saved = writer.open(outputDirectories_.locate(path));
    if (saved) {
        saved = gen.write(&patchCache_);
        saved = writer.close() && saved;
    }
    if (!saved)
        log("Error : unable to write patch file", path);
}

U_RefPtr<FilePatch> KestroveDriver::getFilePatch(const std::string& name)
{
    const auto known = filePatches_.find(name);
    if (known != filePatches_.end())
        return known->second;
    U_RefPtr<FilePatch> patch = createFilePatch(name);
    filePatches_[name] = patch;
    return patch;
}

U_RefPtr<FilePatch> KestroveDriver::createFilePatch(const std::string& name)
{
    errno = 0;
    const FileDigest::Taken digest = FileDigest::take(name);
    const std::string& hash = digest.hash;
    if (hash.empty() && outOfDescriptors(errno))
        runOutOfDescriptors(name, errno);
    U_RefPtr<FilePatch> mapping;
    if (replayCachedMapping(name, hash, mapping))
        return mapping;

    const DiffResult result = runDiff(name);
    if (result.status == DiffResult::Status::FailedToStart && outOfDescriptors(result.startError))
        runOutOfDescriptors(name, result.startError);
    if (result.failed()) {
        logDiffFailure(result, name);
        patchCache_.removeFile(name);
        return U_RefPtr<FilePatch>();
    }
    log("stdout : ", std::string());
    if (result.status == DiffResult::Status::NoOutput) {
        // "Unchanged" holds for the file the diff saw.
        if (!hash.empty() && !FileDigest::isStillTheFile(name, digest))
            patchCache_.removeFile(name);
        return U_RefPtr<FilePatch>();
    }

    for (const std::string& line : result.outputLines)
        log(" " + line);
    if (result.outputLinesLeftOut > 0)
        log("Warning : tandor output lines not logged :", std::to_string(result.outputLinesLeftOut));
    std::string badLine;
    const bool inRange = readMapping(name, result.changeLines, mapping, badLine);
    // The commands are those of the file as the diff saw it: cached under
    // the digest only while that is still the file digested, not one saved
    // meanwhile. (Without a digest the entry is never replayed.)
    if (inRange && (hash.empty() || FileDigest::isStillTheFile(name, digest)))
        patchCache_.addPatches(name, result.changeLines);
    else if (inRange)
        patchCache_.removeFile(name);
    log("stderr : ", result.errorOutput.toStdString());
    if (!inRange) {
        log("ERROR : tandor output out of range", badLine);
        patchCache_.removeFile(name);
        return U_RefPtr<FilePatch>();
    }
    return mapping;
}

bool KestroveDriver::replayCachedMapping(const std::string& name, const std::string& hash,
                                         U_RefPtr<FilePatch>& mapping)
{
    if (!patchCache_.hasFile(name)) {
        patchCache_.ensureFile(name);
        patchCache_.setDate(name, hash);
        return false;
    }
    const std::string cachedDate = patchCache_.date(name);
    if (cachedDate.empty() || hash.empty() || cachedDate != hash) {
        patchCache_.resetFile(name);
        patchCache_.setDate(name, hash);
        return false;
    }
    std::string badLine;
    if (readMapping(name, patchCache_.patches(name), mapping, badLine))
        return true;
    // Our own runs never cache such a line: the entry is damaged, and the
    // diff decides afresh.
    log("Warning : cached tandor output out of range", badLine);
    patchCache_.resetFile(name);
    patchCache_.setDate(name, hash);
    return false;
}

DiffResult KestroveDriver::runDiff(const std::string& name)
{
    log("ROOTCHECK", rootPath_ + " : " + name);
    const std::string key = lookupKey(U_Encoding::fromNative(name), name);
    log("INFO : Looking for ident for ", keyLogText(key));
    std::string ident;
    const auto found = identCache_.find(key);
    if (found != identCache_.end()) {
        ident = identArgument(found->second);
        log("INFO : Ident found ", ident);
    } else {
        log("Warning : Ident not found ");
    }

    const DiffPlaceholderValues values = DiffCommand::values(name, rootPath_, ident);
    log("%BF", values.fullName);
    log("%Bf", values.fileName);
    log("%BD", values.directory);
    log("%BR", values.rootedName);
    log("%Br", values.rootedDirectory);
    log("%BB", values.relativeName);
    log("%Bb", values.relativeDirectory);
    log("%BT", values.ident);
    log("diff", DiffCommand::substitute(diffCommand_, values, true));

    // Only an empty command is no command; one of blanks alone, or of "",
    // has no word to start and fails to start like a missing program.
    if (diffCommand_.empty()) {
        DiffResult none;
        none.status = DiffResult::Status::NoCommand;
        return none;
    }
    const DiffProcess process(DiffProcess::kDefaultWaitMs, log_.isOn());
    return process.run(DiffCommand::arguments(diffCommand_, values));
}

void KestroveDriver::logDiffFailure(const DiffResult& result, const std::string& name)
{
    using Status = DiffResult::Status;
    // The lines that say how the diff failed: its exit code, its output and
    // standard error first, or its standard error after the text, or
    // neither; an empty command was no command to start and says nothing.
    enum class Detail { None, ExitCodeFirst, ErrorOutputAfter };
    struct Report {
        Status status;
        const char* text;
        Detail detail;
    };
    static const Report reports[] = {
        {Status::ExitCode, "ERROR : tandor failed, baselined lines kept for", Detail::ExitCodeFirst},
        {Status::FailedToStart, "ERROR : tandor failed to start", Detail::None},
        {Status::TimedOut, "ERROR : tandor timed out", Detail::None},
        {Status::TooLarge, "ERROR : tandor output too large", Detail::ErrorOutputAfter},
        {Status::LineTooLong, "ERROR : tandor output line too long", Detail::ErrorOutputAfter},
        {Status::Crashed, "ERROR : tandor ended by a signal", Detail::ErrorOutputAfter},
    };
    const std::string errorOutput = result.errorOutput.toStdString();
    for (const Report& report : reports) {
        if (report.status != result.status)
            continue;
        if (report.detail == Detail::ExitCodeFirst) {
            log("exitcode : ", std::to_string(result.exitCode));
            log("stdout : ", std::string());
            log("stderr : ", errorOutput);
            log(report.text, name);
        } else {
            log(report.text);
        }
        if (report.detail == Detail::ErrorOutputAfter)
            log("stderr : ", errorOutput);
    }
}

void KestroveDriver::addBaselineSuppression(U_RefPtr<FilePatch> patch, std::int32_t line, std::int32_t column,
                                            std::int32_t message, const std::string& name)
{
    const std::int32_t newLine = patch ? patch->mapLine(line) : line;
    if (newLine == -1)
        return;
    auto file = suppressionFiles_.find(name);
    if (file == suppressionFiles_.end())
        file = suppressionFiles_.emplace(name, U_Filename::fromPath(U_Encoding::fromNative(name))).first;
    const U_RefPtr<M_SuppressionRecord> record =
        SupGen::makeSuppression(file->second, newLine, column, "BLSup", 2, message);
    M_Output::sendSuppression(2, record->location(), record->reason(), record->ranges(), record->location2(),
                              U_Location());
}
