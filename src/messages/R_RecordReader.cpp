#include "messages/R_Records.h"

#include "messages/M_RecordCodes.h"
#include "messages/R_Exceptions.h"
#include "messages/R_IdRecords.h"

#include <cerrno>
#include <climits>
#include <memory>
#include <utility>
#include <vector>

namespace {

class NestedReader;

// One body being read. step() reads what it can; it returns true when the
// body is complete (its result handed to the reader), false when it has
// started a nested body or has more to read.
struct Frame {
    virtual ~Frame() = default;
    virtual bool step(NestedReader& reader) = 0;
};

/// Reads nested bodies from an explicit stack of frames, so that the file's
/// nesting never becomes the program's recursion. A frame that needs a
/// nested location, history or diagnostic starts it and takes its result at
/// its next step.
class NestedReader {
public:
    static constexpr std::size_t kMaxDepth = 4096;

    explicit NestedReader(R_Reader& reader) : reader_(reader) {}

    R_Reader& in() noexcept { return reader_; }

    // Reads a location id: a filled slot gives its location at once; the
    // section's next new id starts its body; anything else is refused.
    void startLocation();
    void startHistory();
    void startDiagnostic();

    // Steps the frames until every one started has completed.
    void run()
    {
        while (!frames_.empty()) {
            if (frames_.back()->step(*this))
                frames_.pop_back();
        }
    }

    // Results of the body completed last.
    U_Location location;
    U_RefPtr<U_MacroHistory> history;
    U_RefPtr<M_Diagnostic> diagnostic;

private:
    void push(std::unique_ptr<Frame> frame)
    {
        if (frames_.size() >= kMaxDepth)
            throw R_ReadingReadException(EINVAL);
        frames_.push_back(std::move(frame));
    }

    R_Reader& reader_;
    std::vector<std::unique_ptr<Frame>> frames_;
};

class LocationFrame final : public Frame {
public:
    explicit LocationFrame(std::int32_t id) : id_(id) {}

    bool step(NestedReader& reader) override
    {
        R_Reader& in = reader.in();
        switch (stage_) {
        case Header:
            file_ = R_readFilename(in);
            line_ = in.readSignedInt();
            column_ = in.readSignedInt();
            flags_ = in.readByte();
            if (startPart(U_LocPropertyFlag::InclLoc, Includer, &NestedReader::startLocation, reader))
                return false;
            [[fallthrough]];
        case Includer:
            if (flags_ & U_LocPropertyFlag::InclLoc)
                includer_ = reader.location;
            if (startPart(U_LocPropertyFlag::MacroHist, History, &NestedReader::startHistory, reader))
                return false;
            [[fallthrough]];
        case History:
            if (flags_ & U_LocPropertyFlag::MacroHist)
                history_ = reader.history;
            location_ = U_Location::create(includer_, file_, line_, column_, history_);
            if (flags_ & U_LocPropertyFlag::HLLoc) {
                const U_Filename hlFile = R_readFilename(in);
                location_ = R_addHLLoc(location_, hlFile, in.readSignedInt());
            }
            if (startPart(U_LocPropertyFlag::InstFromLoc, From, &NestedReader::startLocation, reader))
                return false;
            [[fallthrough]];
        case From:
            if (flags_ & U_LocPropertyFlag::InstFromLoc) {
                const U_Location from = reader.location;
                location_ = R_addInstFromLoc(location_, from, ObjectDisplayName::create(R_readString(in)));
            }
            if (startPart(U_LocPropertyFlag::CalledFromLoc, Caller, &NestedReader::startLocation, reader))
                return false;
            [[fallthrough]];
        case Caller:
            if (flags_ & U_LocPropertyFlag::CalledFromLoc)
                location_ = R_addCalledFromLoc(location_, reader.location);
            // Stored after its nested parts, which took the higher ids.
            in.caches().locations.set(id_, location_);
            reader.location = location_;
            return true;
        }
        return true;
    }

private:
    enum Stage { Header, Includer, History, From, Caller };

    // Moves on to next, first starting the nested part when flag is set;
    // true when a part was started.
    bool startPart(std::uint8_t flag, Stage next, void (NestedReader::*start)(), NestedReader& reader)
    {
        stage_ = next;
        if (!(flags_ & flag))
            return false;
        (reader.*start)();
        return true;
    }

    Stage stage_ = Header;
    std::int32_t id_;
    U_Filename file_;
    std::int32_t line_ = 0;
    std::int32_t column_ = 0;
    std::uint8_t flags_ = 0;
    U_Location includer_;
    U_RefPtr<U_MacroHistory> history_;
    U_Location location_;
};

// A chain of any length is one frame: the elements are collected in a loop
// and linked from the end.
class HistoryFrame final : public Frame {
public:
    bool step(NestedReader& reader) override
    {
        R_Reader& in = reader.in();
        if (!started_) {
            started_ = true;
            reader.startLocation();
            return false;
        }
        const U_Location location = reader.location;
        elements_.emplace_back(location, R_readIdentifier(in));
        if (in.readByte() != 0) {
            reader.startLocation();
            return false;
        }
        U_RefPtr<U_MacroHistory> chain;
        for (auto it = elements_.rbegin(); it != elements_.rend(); ++it)
            chain = new U_MacroHistory(it->first, it->second, chain);
        reader.history = chain;
        return true;
    }

private:
    bool started_ = false;
    std::vector<std::pair<U_Location, U_Identifier>> elements_;
};

class DiagnosticFrame final : public Frame {
public:
    bool step(NestedReader& reader) override
    {
        R_Reader& in = reader.in();
        switch (stage_) {
        case Start:
            stage_ = Body;
            reader.startLocation();
            return false;
        case Body:
            readBody(reader, in);
            stage_ = Params;
            return false;
        case Params:
            return readParam(reader, in);
        case SubMessage:
            messages_.push_back(reader.diagnostic);
            return startNextMessage(reader);
        }
        return true;
    }

private:
    void readBody(NestedReader& reader, R_Reader& in)
    {
        const std::int32_t number = in.readSignedInt();
        const std::uint32_t flags = in.readInt();
        const std::uint32_t subMessages = in.readInt();
        diagnostic_ = new M_Diagnostic(number, reader.location);
        diagnostic_->setHiddenByPragma(flags & 1);
        diagnostic_->setHiddenByUser(flags & 2);
        diagnostic_->setHasSubMessages(subMessages != 0);
        count_ = in.readSignedInt();
    }

    // Reads one parameter record, or completes the body after the last one.
    bool readParam(NestedReader& reader, R_Reader& in)
    {
        if (read_ >= count_) {
            reader.diagnostic = diagnostic_;
            return true;
        }
        ++read_;
        switch (static_cast<M_ParamTag>(in.readByte())) {
        case M_ParamTag::String:
            diagnostic_->addParam(R_readString(in));
            break;
        case M_ParamTag::List: {
            const std::int32_t n = in.readSignedInt();
            if (n < 0)
                throw R_ReadingReadException(EINVAL);
            // No reserve: the count comes from the file, the texts must too.
            std::vector<std::string> items;
            for (std::int32_t i = 0; i < n; ++i)
                items.push_back(R_readString(in));
            diagnostic_->addParam(items);
            break;
        }
        case M_ParamTag::MsgList:
            expected_ = in.readSignedInt();
            messages_.clear();
            return startNextMessage(reader);
        default:
            // A tag without data: the next byte is the next parameter's tag.
            break;
        }
        return false;
    }

    bool startNextMessage(NestedReader& reader)
    {
        if (static_cast<std::int64_t>(messages_.size()) < expected_) {
            stage_ = SubMessage;
            reader.startDiagnostic();
            return false;
        }
        diagnostic_->addParam(std::move(messages_));
        messages_.clear();
        stage_ = Params;
        return false;
    }

    enum Stage { Start, Body, Params, SubMessage } stage_ = Start;
    U_RefPtr<M_Diagnostic> diagnostic_;
    std::int32_t count_ = 0;
    std::int32_t read_ = 0;
    std::int32_t expected_ = 0;
    std::vector<U_RefPtr<M_Diagnostic>> messages_;
};

void NestedReader::startLocation()
{
    const std::int32_t id = reader_.readSignedInt();
    R_ReaderLocData& cache = reader_.caches().locations;
    if (cache.has(id)) {
        // An empty slot is a location whose body is still being read: a
        // location cannot contain itself.
        location = cache.get(id);
        if (!location.isValid())
            throw R_ReadingReadException(EINVAL);
        return;
    }
    // A new body carries exactly the next id of the section; anything else
    // would leave holes no record fills.
    if (id != cache.nextNewId() || id == INT32_MAX)
        throw R_ReadingReadException(EINVAL);
    cache.beginBody();
    push(std::make_unique<LocationFrame>(id));
}

void NestedReader::startHistory()
{
    push(std::make_unique<HistoryFrame>());
}

void NestedReader::startDiagnostic()
{
    push(std::make_unique<DiagnosticFrame>());
}

} // namespace

U_Location R_readLocation(R_Reader& reader)
{
    NestedReader nested(reader);
    nested.startLocation();
    nested.run();
    return nested.location;
}

U_RefPtr<U_MacroHistory> R_readMacroHistory(R_Reader& reader)
{
    NestedReader nested(reader);
    nested.startHistory();
    nested.run();
    return nested.history;
}

U_RefPtr<M_Diagnostic> R_readDiagnostic(R_Reader& reader)
{
    NestedReader nested(reader);
    nested.startDiagnostic();
    nested.run();
    return nested.diagnostic;
}

U_RefPtr<M_Diagnostic> R_readCheckedDiagnostic(R_Reader& reader)
{
    U_RefPtr<M_Diagnostic> diagnostic = R_readDiagnostic(reader);
    reader.readInt();
    return diagnostic;
}

U_RefPtr<M_SuppressionRecord> R_readSuppressionRecord(R_Reader& reader)
{
    const std::uint8_t kind = reader.readByte();
    const U_Location location = R_readLocation(reader);
    const std::string reason = R_readString(reader);
    // Taken as unsigned; a count the file cannot hold ends in a reading
    // error at its end, as each range reads bytes.
    const std::uint32_t count = reader.readInt();
    std::vector<M_SuppressionRecord::Range> ranges;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string from = R_readString(reader);
        std::string to = R_readString(reader);
        ranges.emplace_back(std::move(from), std::move(to));
    }
    reader.readByte();
    const U_Location location2 = R_readLocation(reader);
    U_Location location3;
    if (reader.readByte() != 0)
        location3 = R_readLocation(reader);
    return new M_SuppressionRecord(kind, location, reason, ranges, location2, location3);
}
