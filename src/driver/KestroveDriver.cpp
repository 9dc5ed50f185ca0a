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
#include "encoding/U_FilePath.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_ErrorFile.h"
#include "messages/M_InputVerro.h"
#include "messages/M_Output.h"
#include "messages/R_Exceptions.h"
#include "patch/MD5.h"
#include "patch/Patch.h"
#include "patch/PatchGen.h"
#include "patch/PatchGen_ReaderXML.h"
#include "patch/PatchGen_WriterXML.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <iostream>
#include <memory>
#include <set>
#include <sstream>

namespace {

std::string native(const std::string& internal)
{
    return U_Encoding::toNative(internal);
}

QString qNative(const std::string& internal)
{
    return QString::fromLocal8Bit(native(internal).c_str());
}

// The output directory of the current command line, "." for an empty one.
std::string outputDirectory()
{
    const std::string dir = U_Env::outputDirectory();
    return dir.empty() ? std::string(".") : dir;
}

// The MD5 hex digest of the file at path; empty when it cannot be read.
QString fileDigest(const QString& path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return QString();
    MD5 digest(&file);
    std::unique_ptr<char[]> hex(digest.hex_digest());
    return QString::fromLatin1(hex.get());
}

// The mapping of the one file of a patch text. It is taken as the text's
// only file patch rather than by name: the reader trims the name in the
// "File: " header, which would lose the mapping of a name ending in blanks.
U_RefPtr<FilePatch> readMapping(const std::string& text)
{
    std::istringstream in(text);
    U_RefPtr<Patch> patch;
    Patch::read(in, patch);
    if (!patch || patch->filePatches().empty())
        return U_RefPtr<FilePatch>();
    return patch->filePatches().begin()->second;
}

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

void KestroveDriver::openLog(const QString& name, const C_OrphanFileHandler& handler)
{
    if (name.isEmpty())
        return;
    if (name == QLatin1String("-")) {
        log_.openStream(std::cout);
        return;
    }
    const QString firstInput = qNative(handler.begin()->file.fullName());
    const QString path = DriverOptions::logPath(name, firstInput, qNative(outputDirectory()));
    if (!log_.openFile(path.toLocal8Bit().toStdString()))
        std::cout << "Warning: unable to open log " << path.toLocal8Bit().constData() << std::endl;
}

std::string KestroveDriver::expandedValue(const std::string& what, const std::string& value)
{
    log(what + " passed in : ", native(value));
    const std::string expanded = U_Encoding::fromNative(native(value));
    log("expanded " + what + " : ", native(expanded));
    return expanded;
}

QString KestroveDriver::resolveSuppressionFile()
{
    QString path;
    const C_OptionFilename* option = C_Options::current_suppressionfile();
    if (option->isSet()) {
        path = U_Codec::toQString(expandedValue("sup file", option->value()));
    }
    if (path.isEmpty()) {
        const QString dir = qNative(outputDirectory());
        path = dir + (dir.endsWith(QLatin1Char('/')) ? "" : "/") + QStringLiteral("baseline.sup");
        log("no sup file provided - defaulting to baseline.sup");
    }
    log("using sup file : ", path);
    return path;
}

void KestroveDriver::resolveRootPath()
{
    const C_OptionFilename* option = C_Options::current_sourcepath();
    if (option->isSet()) {
        rootPath_ = U_Codec::toQString(expandedValue("rootpath file", option->value()));
        rootPath_.replace(QLatin1Char('\\'), QLatin1Char('/'));
        rootPath_ = QDir(rootPath_).absolutePath();
        log("corrected rootpath file : ", rootPath_);
    }
    if (!rootPath_.isEmpty())
        log("ROOTPATH: ", rootPath_);
    else
        log("Warning: rootpath is not set");
}

void KestroveDriver::resolveDiffCommand(const QString& supPath)
{
    const C_OptionString* option = C_Options::current_suppressiondifftool();
    if (!option->isSet()) {
        log("implicit diff option used");
        // The directory keeps its "/" separators: the diff command is a
        // program of this system.
        diffCommand_ = QStringLiteral("tandor %BF %BR \"") + QFileInfo(supPath).absolutePath() + QStringLiteral("/\"");
    } else {
        diffCommand_ = U_Codec::toQString(U_Encoding::fromNative(option->value()));
    }
    log("diff command : ", diffCommand_);
}

std::string KestroveDriver::loadPatchCache()
{
    const std::string path = native(outputDirectory()) + "/patch.xml";
    log("reading patch file : ", path);
    if (!U_FilePath::exists(path)) {
        log("Warning : file not found", path);
    } else if (!nocache_) {
        // The cache only spares diffs: a file that cannot be used, or any
        // failure while loading it, leaves the run with an empty cache.
        bool loaded = false;
        try {
            PatchGen_ReaderXML reader;
            PatchGen gen;
            gen.setReader(&reader);
            loaded = reader.open(path.c_str()) && gen.read(&patchCache_);
            reader.close();
        } catch (...) {
            loaded = false;
        }
        if (!loaded) {
            patchCache_ = PatchHandler();
            log("Warning : unable to open patch file");
        }
    } else {
        std::remove(path.c_str());
        log("Warning : NOCACHE option specified, erasing patch file");
        if (U_FilePath::exists(path))
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
    db.setDatabaseName(dbFile_);
    if (!QFileInfo::exists(dbFile_)) {
        log("sup file does not exist", dbFile_);
        return false;
    }
    log("db file exists", std::string("obtaining hash of sup file"));
    supHash_ = fileDigest(dbFile_);
    if (supHash_.isEmpty())
        log("Error :", QStringLiteral("unable to generate hash for %1").arg(dbFile_));
    else
        log("Hash : ", QStringLiteral("%1 %2").arg(supHash_, dbFile_));
    if (!db.open()) {
        log("unable to open for read", dbFile_);
        return false;
    }
    return true;
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

    const QString supPath = resolveSuppressionFile();
    resolveRootPath();
    resolveDiffCommand(supPath);
    const std::string patchPath = loadPatchCache();

    dbFile_ = supPath;
    dbFile_.replace(QLatin1Char('\\'), QLatin1Char('/'));
    log("DBFILE : ", dbFile_);
    {
        BaselineDatabase db;
        if (openDatabase(db)) {
            for (const C_InputFile& input : *handler)
                processSourceFile(input, db);
            savePatchCache(patchPath);
        }
    }
    closeLog();
    return 0;
}

void KestroveDriver::processSourceFile(const C_InputFile& input, BaselineDatabase& db)
{
    const std::string errPath = M_ErrorFile::path(input.outputDirectory, input.file.fullName());
    log("Opening : " + native(errPath));

    std::set<std::string> names;
    int generation = 0;
    try {
        U_RefPtr<M_InputVerro> reader(new M_InputVerro());
        reader->setFileName(input.file.fullName());
        reader->open(errPath);
        log("Parsing diagnostics");
        for (auto it = reader->diagnosticsBegin(); it != reader->diagnosticsEnd(); ++it) {
            const U_Location& location = (*it)->location();
            if (location.isValid())
                names.insert(location.fileName().storedFullName());
        }
        log("Parsing complete");
        generation = reader->generation();
    } catch (const R_ReadingException& e) {
        log("Failure reading error file");
        log(native(errPath));
        log(std::string(e.what()));
        return;
    } catch (...) {
        log("Unknown failure reading error file");
        log(native(errPath));
        return;
    }

    if (!U_FilePath::exists(errPath)) {
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
    // channel is never closed and the message file stays as it was.
    M_Output::openAppend(errPath);
    for (const std::string& name : names) {
        const QString key = DiffCommand::lookupKey(U_Codec::toQString(U_Encoding::toInternal(name, eceEUC)), rootPath_);
        const int primary = registration(key, db);
        const std::string nativeName = native(name);
        U_RefPtr<FilePatch> patch = getFilePatch(nativeName);
        if (primary == 0)
            continue;
        std::vector<BaselineDatabase::Suppression> rows;
        if (!db.suppressions(primary, rows))
            continue;
        for (const BaselineDatabase::Suppression& row : rows) {
            if (row.state == 0)
                addBaselineSuppression(patch, row.line, row.column, row.message, nativeName);
        }
    }
    M_Output::close();
}

int KestroveDriver::registration(const QString& key, BaselineDatabase& db)
{
    const auto cached = primaryCache_.find(key);
    if (cached != primaryCache_.end())
        return cached->second;
    primaryCache_[key] = 0;
    std::vector<BaselineDatabase::Registration> rows;
    QString databaseError;
    QString driverError;
    if (!db.registrations(key, rows, databaseError, driverError)) {
        log("ERROR : unable to obtain file information");
        log(databaseError);
        log(driverError);
        return 0;
    }
    int primary = 0;
    for (const BaselineDatabase::Registration& row : rows) {
        identCache_[key] = row.ident;
        primary = row.primary;
        primaryCache_[key] = primary;
        log("Ident : ", QStringLiteral("%1 %2").arg(key, row.ident));
    }
    return primary;
}

void KestroveDriver::savePatchCache(const std::string& path)
{
    if (!patchCache_.isModified() || nocache_)
        return;
    PatchGen_WriterXML writer;
    PatchGen gen;
    gen.setWriter(&writer);
    if (writer.open(path.c_str())) {
        gen.write(&patchCache_);
        writer.close();
    }
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
    const QString qname = U_Codec::toQString(U_Encoding::fromNative(name));
    const QString fileHash = fileDigest(qname);

    const QString cachedStamp = QString::fromLocal8Bit(patchCache_.sdate().c_str());
    if (cachedStamp.isEmpty() || supHash_.isEmpty()) {
        patchCache_.clear();
        if (!supHash_.isEmpty()) {
            patchCache_.setSDate(supHash_.toLocal8Bit().toStdString());
            patchCache_.setSName(dbFile_.toLocal8Bit().toStdString());
        }
    } else if (cachedStamp != supHash_) {
        patchCache_.clear();
        patchCache_.setSName(dbFile_.toLocal8Bit().toStdString());
        patchCache_.setSDate(supHash_.toLocal8Bit().toStdString());
    }

    const std::string hash = fileHash.toLocal8Bit().toStdString();
    bool replay = false;
    if (!patchCache_.hasFile(name)) {
        patchCache_.ensureFile(name);
        patchCache_.setDate(name, hash);
    } else {
        const std::string cachedDate = patchCache_.date(name);
        if (cachedDate.empty() || hash.empty() || cachedDate != hash) {
            patchCache_.resetFile(name);
            patchCache_.setDate(name, hash);
        } else {
            replay = true;
        }
    }

    std::ostringstream text;
    text << "File: " << name << std::endl;
    if (replay) {
        for (auto it = patchCache_.patchesBegin(name); it != patchCache_.patchesEnd(name); ++it)
            text << *it << std::endl;
        return readMapping(text.str());
    }

    rootPath_.replace(QLatin1Char('\\'), QLatin1Char('/'));
    log("ROOTCHECK", QStringLiteral("%1 : %2").arg(rootPath_, qname));
    const QString key = DiffCommand::lookupKey(qname, rootPath_);
    log("INFO : Looking for ident for ", key);
    QString ident;
    const auto found = identCache_.find(key);
    if (found != identCache_.end()) {
        ident = found->second;
        log("INFO : Ident found ", ident);
    } else {
        log("Warning : Ident not found ");
    }

    const DiffPlaceholderValues values = DiffCommand::values(qname, rootPath_, ident);
    log("%BF", values.fullName);
    log("%Bf", values.fileName);
    log("%BD", values.directory);
    log("%BR", values.rootedName);
    log("%Br", values.rootedDirectory);
    log("%BB", values.relativeName);
    log("%Bb", values.relativeDirectory);
    log("%BT", values.ident);
    log("diff", DiffCommand::substitute(diffCommand_, values, true));

    const QStringList arguments = DiffCommand::arguments(diffCommand_, values);
    DiffResult result;
    if (!arguments.isEmpty())
        result = DiffProcess(DiffProcess::kDefaultWaitMs, log_.isOn()).run(arguments);
    switch (result.status) {
    case DiffResult::Status::FailedToStart:
        if (!arguments.isEmpty())
            log("ERROR : tandor failed to start");
        patchCache_.removeFile(name);
        return U_RefPtr<FilePatch>();
    case DiffResult::Status::TimedOut:
        log("ERROR : tandor timed out");
        patchCache_.removeFile(name);
        return U_RefPtr<FilePatch>();
    case DiffResult::Status::Crashed:
        log("ERROR : tandor ended by a signal");
        log("stderr : ", QString::fromLocal8Bit(result.errorOutput));
        patchCache_.removeFile(name);
        return U_RefPtr<FilePatch>();
    case DiffResult::Status::ExitCode:
        log("exitcode : ", std::to_string(result.exitCode));
        log("stdout : ", std::string());
        log("stderr : ", QString::fromLocal8Bit(result.errorOutput));
        patchCache_.removeFile(name);
        return U_RefPtr<FilePatch>();
    case DiffResult::Status::NoOutput:
        log("stdout : ", std::string());
        return U_RefPtr<FilePatch>();
    case DiffResult::Status::Output:
        break;
    }

    log("stdout : ", std::string());
    for (const QByteArray& line : result.outputLines)
        log(" " + line.toStdString());
    for (const std::string& line : result.changeLines) {
        text << line << std::endl;
        patchCache_.addPatch(name, line);
    }
    log("stderr : ", QString::fromLocal8Bit(result.errorOutput));
    return readMapping(text.str());
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
