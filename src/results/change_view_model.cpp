#include "change_view_model.h"

#include "file_ops.h"
#include "safe_path.h"
#include "string_table.h"

#include <QColor>
#include <QElapsedTimer>
#include <QPoint>
#include <QVariantList>
#include <algorithm>
#include <cerrno>

namespace {

// How long one step of the walk may take before the window gets its turn.
constexpr qint64 kStepMilliseconds = 20;

QString TableText(int id, std::string_view insert1 = {}, std::string_view insert2 = {}) {
    const std::string text = FillInserts(LoadTranslatedString(id), insert1, insert2);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The spans that fall into [begin, end) of a text, counted from `begin`.
ByteSpans SpansWithin(const ByteSpans& spans, std::size_t begin, std::size_t end) {
    ByteSpans within;
    for (const auto& [from, to] : spans) {
        const std::size_t b = std::max(from, begin);
        const std::size_t e = std::min(to, end);
        if (b < e) {
            within.emplace_back(b - begin, e - begin);
        }
    }
    return within;
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

ChangeViewModel::ChangeViewModel(const LineSettings& lines, CodeMode code, QObject* parent)
    : QAbstractTableModel(parent), lines_(lines), code_(code),
      resolver_(std::make_unique<PathResolver>()) {
    goOn_.setSingleShot(true);
    goOn_.setInterval(0);
    connect(&goOn_, &QTimer::timeout, this, [this] { Walk(); });
}

ChangeViewModel::~ChangeViewModel() = default;

void ChangeViewModel::SetRoots(const std::vector<std::string>& roots) {
    resolver_ = std::make_unique<PathResolver>(roots);
}

void ChangeViewModel::ShowFile(const ChangeRecord& record) {
    beginResetModel();
    Reset();
    record_ = record;
    Open();
    endResetModel();
    wanted_ = kRowsPerStep;
    Walk();
    emit notesChanged();
}

void ChangeViewModel::Clear() {
    beginResetModel();
    Reset();
    endResetModel();
    emit notesChanged();
}

void ChangeViewModel::Reset() {
    goOn_.stop();
    walker_.reset();
    plain_.clear();
    plain_.shrink_to_fit();
    plainMarks_.clear();
    plainMarks_.shrink_to_fit();
    plainNext_ = 0;
    problem_.clear();
    state_ = State::Empty;
    walkEnded_ = true;
    linesWalked_ = 0;
    lineTooLong_ = false;
    wanted_ = 0;
    searching_ = false;
    record_ = ChangeRecord{};
    ResetRows();
}

void ChangeViewModel::ResetRows() {
    rows_.clear();
    before_.clear();
    pairsTaken_ = 0;
    lastShown_ = 0;
    trailing_ = 0;
    anyChange_ = false;
    conversions_.clear();
}

bool ChangeViewModel::Reach(std::string& backup, std::string& file) {
    // The backup is looked at first: without it there is nothing to compare.
    for (const std::string& name : {BackupNameOf(record_.path), record_.path}) {
        std::string at;
        bool readable = resolver_->Reach(name, at);
        if (readable) {
            FileDescriptor fd(OpenRegularFile(at));
            readable = fd.get() >= 0;
        }
        if (!readable) {
            problem_ = TableText(kNoteUnreadable, name);
            state_ = State::Unreadable;
            walkEnded_ = true;
            return false;
        }
        (name == record_.path ? file : backup) = at;
    }
    return true;
}

void ChangeViewModel::Open() {
    std::string backup;
    std::string file;
    if (!Reach(backup, file)) {
        return;
    }
    // A file whose size or modification time is no longer what the run
    // wrote was changed after it: its plain difference is shown at once
    // instead of walking until the first line that differs.
    FileIdentity now;
    if (record_.writtenKnown && RegularFileIdentity(file, now) &&
        (now.size != record_.written.size || !SameTime(now.modified, record_.written.modified))) {
        OpenPlain();
        return;
    }
    walker_ = std::make_unique<ChangeWalker>(backup, file, lines_, kLongestLineShown);
    if (!walker_->opened()) {
        walker_.reset();
        problem_ = TableText(kNoteUnreadable, record_.path);
        state_ = State::Unreadable;
        return;
    }
    state_ = State::Walking;
    walkEnded_ = false;
}

void ChangeViewModel::OpenPlain() {
    walker_.reset();
    std::string backup;
    std::string file;
    if (!Reach(backup, file)) {
        return;
    }
    plain_.clear();
    plainNext_ = 0;
    if (PlainDifference(backup, file, plain_)) {
        MarkPlainPairs();
        state_ = State::Plain;
        walkEnded_ = false;
    } else {
        plain_.clear();
        state_ = State::PlainTooLarge;
        walkEnded_ = true;
    }
}

void ChangeViewModel::Walk() {
    QElapsedTimer clock;
    clock.start();
    std::vector<Row> added;
    bool notes = false;
    const bool wasSearching = searching_;
    while (!walkEnded_ && rows_.size() + added.size() < wanted_) {
        const Step step = TakeNext(added, notes);
        if (step == Step::Ended) {
            walkEnded_ = true;
            break;
        }
        if (step == Step::Restarted) {
            // The file is not what the run wrote: what was shown of the walk
            // makes way for the plain difference.
            added.clear();
            beginResetModel();
            ResetRows();
            endResetModel();
            notes = true;
            continue;
        }
        if (clock.elapsed() >= kStepMilliseconds) {
            break;
        }
    }
    if (!added.empty()) {
        const auto first = static_cast<int>(rows_.size());
        beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
        std::move(added.begin(), added.end(), std::back_inserter(rows_));
        endInsertRows();
    }
    searching_ = !walkEnded_ && rows_.size() < wanted_;
    if (searching_) {
        goOn_.start();
    }
    if (notes || searching_ || searching_ != wasSearching) {
        emit notesChanged();
    }
}

ChangeViewModel::Step ChangeViewModel::TakeNext(std::vector<Row>& added, bool& notesChanged) {
    LinePair pair;
    ChangedSpans spans;
    if (state_ == State::Walking) {
        if (!walker_->Next(pair)) {
            if (walker_->lineTooLong()) {
                // The rows so far stay; what follows is not walked.
                lineTooLong_ = true;
                notesChanged = true;
                return Step::Ended;
            }
            if (!walker_->matches()) {
                OpenPlain();
                return Step::Restarted;
            }
            if (anyChange_ && pairsTaken_ > lastShown_) {
                AddGap(pairsTaken_ - lastShown_, added);
            }
            return Step::Ended;
        }
        NoteEnding(pair, notesChanged);
    } else if (state_ == State::Plain) {
        if (plainNext_ >= plain_.size()) {
            if (anyChange_ && pairsTaken_ > lastShown_) {
                AddGap(pairsTaken_ - lastShown_, added);
            }
            return Step::Ended;
        }
        spans.old = std::move(plainMarks_[plainNext_]);
        spans.now = spans.old;
        pair = std::move(plain_[plainNext_++]);
    } else {
        return Step::Ended;
    }
    linesWalked_ = std::max(linesWalked_, pair.oldNumber);
    const std::int64_t place = ++pairsTaken_;
    // A line whose only change is its line end counts as unchanged: the
    // conversion is stated once among the notes.
    const bool same = pair.kind == LinePair::Kind::Same ||
                      (pair.kind == LinePair::Kind::Changed && pair.oldText == pair.newText);
    if (same) {
        if (trailing_ > 0) {
            --trailing_;
            AddSame(pair, added);
            lastShown_ = place;
        } else {
            before_.emplace_back(place, std::move(pair));
            if (before_.size() > static_cast<std::size_t>(kContextLines)) {
                before_.pop_front();
            }
        }
        return Step::Taken;
    }
    const std::int64_t firstShown = before_.empty() ? place : before_.front().first;
    if (firstShown > lastShown_ + 1) {
        AddGap(firstShown - lastShown_ - 1, added);
    }
    for (const auto& [at, context] : before_) {
        AddSame(context, added);
    }
    before_.clear();
    if (pair.kind == LinePair::Kind::Changed) {
        spans = SpansOfChange(pair.oldText, pair.newText);
    }
    AddChange(pair, spans, added);
    lastShown_ = place;
    trailing_ = kContextLines;
    anyChange_ = true;
    return Step::Taken;
}

void ChangeViewModel::NoteEnding(const LinePair& pair, bool& notesChanged) {
    if (pair.kind == LinePair::Kind::Removed || pair.oldEnding == pair.newEnding) {
        return;
    }
    // A replacement that put a line feed into the line ends it there; the
    // line end that counts is the one the last of its lines carries.
    std::pair<std::string, std::string> conversion{pair.oldEnding, pair.newEnding};
    if (std::find(conversions_.begin(), conversions_.end(), conversion) == conversions_.end()) {
        conversions_.push_back(std::move(conversion));
        notesChanged = true;
    }
}

void ChangeViewModel::AddSame(const LinePair& pair, std::vector<Row>& added) const {
    Row row;
    row.kind = RowKind::Same;
    row.oldNumber = pair.oldNumber;
    row.newNumber = pair.newNumber;
    row.shown = ShowLineBytes(pair.oldText, code_);
    added.push_back(std::move(row));
}

void ChangeViewModel::AddGap(std::int64_t lines, std::vector<Row>& added) const {
    Row row;
    row.kind = RowKind::Gap;
    row.shown.text = TableText(kNoteUnchangedLines, std::to_string(lines));
    added.push_back(std::move(row));
}

void ChangeViewModel::MarkPlainPairs() {
    plainMarks_.assign(plain_.size(), {});
    using Kind = LinePair::Kind;
    std::vector<std::size_t> removed;
    std::vector<std::size_t> added;
    for (std::size_t at = 0; at <= plain_.size(); ++at) {
        if (at < plain_.size() && plain_[at].kind != Kind::Same) {
            (plain_[at].kind == Kind::Removed ? removed : added).push_back(at);
            continue;
        }
        // A block of changed lines ends: whichever way round the difference
        // lists them, its n-th removed line is taken as changed into its
        // n-th added line.
        for (std::size_t n = 0; n < std::min(removed.size(), added.size()); ++n) {
            ChangedSpans spans =
                SpansOfChange(plain_[removed[n]].oldText, plain_[added[n]].newText);
            plainMarks_[removed[n]] = std::move(spans.old);
            plainMarks_[added[n]] = std::move(spans.now);
        }
        removed.clear();
        added.clear();
    }
}

void ChangeViewModel::AddChange(const LinePair& pair, const ChangedSpans& spans,
                                std::vector<Row>& added) const {
    if (pair.kind != LinePair::Kind::Added) {
        Row row;
        row.kind = RowKind::Old;
        row.oldNumber = pair.oldNumber;
        row.shown = ShowLineBytes(pair.oldText, code_, spans.old);
        added.push_back(std::move(row));
    }
    if (pair.kind != LinePair::Kind::Removed) {
        AddNewRows(pair.newNumber, pair.newText, spans.now, added);
    }
}

void ChangeViewModel::AddNewRows(std::int64_t number, const std::string& text,
                                 const ByteSpans& spans, std::vector<Row>& added) const {
    // A replacement that holds a line feed makes one old line several new
    // ones: each is shown on its own row with its own number.
    std::size_t begin = 0;
    while (true) {
        const std::size_t feed = text.find('\n', begin);
        const std::size_t end = feed == std::string::npos ? text.size() : feed;
        Row row;
        row.kind = RowKind::New;
        row.newNumber = number++;
        row.shown = ShowLineBytes(std::string_view(text).substr(begin, end - begin), code_,
                                  SpansWithin(spans, begin, end));
        added.push_back(std::move(row));
        if (feed == std::string::npos) {
            return;
        }
        begin = feed + 1;
    }
}

QStringList ChangeViewModel::Notes() const {
    QStringList notes;
    switch (state_) {
    case State::Unreadable:
        notes << problem_;
        break;
    case State::Plain:
        notes << TableText(kNoteChangedAfterRun);
        break;
    case State::PlainTooLarge:
        notes << TableText(kNoteChangedAfterRun) << TableText(kNoteTooLargeToCompare);
        break;
    default:
        break;
    }
    if (lineTooLong_) {
        notes << TableText(kNoteLineTooLongToShow,
                           std::to_string(walker_ != nullptr ? linesWalked_ + 1 : 0));
    }
    for (const auto& [from, to] : conversions_) {
        notes << TableText(kNoteLineEnds, LineEndName(from).toStdString(),
                           LineEndName(to).toStdString());
    }
    if (searching_) {
        notes << TableText(kNoteSearching, std::to_string(linesWalked_));
    } else if (walkEnded_ && rows_.empty() && conversions_.empty() &&
               (state_ == State::Walking || state_ == State::Plain)) {
        notes << TableText(kNoteNoLineChanged);
    }
    return notes;
}

int ChangeViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ChangeViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ChangeViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) {
        return {};
    }
    const Row& row = RowAt(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == kOldNumberColumn) {
            return row.oldNumber > 0 ? QVariant(QString::number(row.oldNumber)) : QVariant();
        }
        if (column == kNewNumberColumn) {
            return row.newNumber > 0 ? QVariant(QString::number(row.newNumber)) : QVariant();
        }
        return row.shown.text;
    case Qt::TextAlignmentRole:
        return column == kTextColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                     : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        switch (row.kind) {
        case RowKind::Old:
            return QColor(255, 228, 228);
        case RowKind::New:
            return QColor(221, 247, 221);
        case RowKind::Gap:
            return QColor(232, 232, 240);
        default:
            return {};
        }
    case Qt::ForegroundRole:
        // The rows' own light backgrounds need dark text in every theme.
        return row.kind == RowKind::Same ? QVariant() : QVariant(QColor(Qt::black));
    case Qt::AccessibleTextRole: {
        // What the colours say, in words: a screen reader hears whether a
        // line is old or new.
        if (column != kTextColumn) {
            return {};
        }
        const QString kind = row.kind == RowKind::Old   ? TableText(kColumnOldLine)
                             : row.kind == RowKind::New ? TableText(kColumnNewLine)
                                                        : QString();
        return kind.isEmpty() ? row.shown.text : kind + QLatin1String(": ") + row.shown.text;
    }
    case kMarksRole: {
        if (column != kTextColumn || row.shown.marks.empty()) {
            return {};
        }
        QVariantList marks;
        for (const auto& [begin, end] : row.shown.marks) {
            marks.push_back(QPoint(begin, end));
        }
        return marks;
    }
    case kMarkColourRole:
        return row.kind == RowKind::Old ? QColor(255, 160, 160) : QColor(140, 220, 140);
    default:
        return {};
    }
}

QVariant ChangeViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case kOldNumberColumn:
        return TableText(kColumnOldLine);
    case kNewNumberColumn:
        return TableText(kColumnNewLine);
    case kTextColumn:
        return TableText(kColumnLineContent);
    default:
        return {};
    }
}

bool ChangeViewModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !walkEnded_ && !searching_;
}

void ChangeViewModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) {
        return;
    }
    wanted_ = rows_.size() + kRowsPerStep;
    Walk();
}
