// The changes of one file as rows to show: each changed line as its old
// form (from the backup) and its new one, with the parts that changed
// marked, a few unchanged lines around them, and a gap row between such
// groups. Nothing else of the file is kept.
//
// The file is walked lazily: showing a file walks just far enough for the
// first rows, and the view asks for more (canFetchMore / fetchMore) as it is
// scrolled towards the end. Each step walks for a few milliseconds at most;
// when that is not enough to find the rows wanted (changes far apart in a big
// file) the walk goes on by itself from the event loop, so the window never
// stops answering, until the rows are found or the file ends.
#pragma once

#include "change_log.h"
#include "change_text.h"
#include "change_view.h"
#include "job.h"
#include "line_processor.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class PathResolver;

class ChangeViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column : int { kOldNumberColumn, kNewNumberColumn, kTextColumn, kColumnCount };
    enum class RowKind : std::uint8_t {
        Same, // an unchanged line around a change
        Old,  // a line as it was (changed or removed)
        New,  // a line as it is now
        Gap,  // unchanged lines left out
    };

    struct Row {
        RowKind kind = RowKind::Same;
        std::int64_t oldNumber = 0; // from 1; 0 for none
        std::int64_t newNumber = 0;
        ShownText shown;
    };

    // Roles besides Qt's: the parts of the text column to highlight (a
    // QVariantList of QPoint(begin, end), character positions of the text
    // shown) and the colour to highlight them with.
    enum Role : int { kMarksRole = Qt::UserRole + 1, kMarkColourRole };

    // Unchanged lines shown before and after each change.
    static constexpr int kContextLines = 3;
    // The longest line (in bytes) the view reads; the walk ends before a
    // longer one, so that a file of one huge line is never held whole.
    static constexpr std::size_t kLongestLineShown = 16u << 20;
    // Rows looked for at a time.
    static constexpr std::size_t kRowsPerStep = 100;

    // `lines` (which must outlive the model) and `code` are the run's line
    // operations and coding.
    ChangeViewModel(const LineSettings& lines, CodeMode code, QObject* parent = nullptr);
    ~ChangeViewModel() override;

    // The run's directories: below them no link is followed on the way to a
    // file (as when the run finishes it).
    void SetRoots(const std::vector<std::string>& roots);
    // Shows the change of the file `record` names: the backup against the
    // file, or, where the file was changed after the run, their plain
    // difference. The first rows are there when this returns (unless the
    // first change lies far into a big file).
    void ShowFile(const ChangeRecord& record);
    // Shows nothing and lets go of the files.
    void Clear();

    // What there is to know about the file besides its rows, a sentence
    // each: that it cannot be read, that it changed after the run, the line
    // ends the run converted, that more is being looked for.
    QStringList Notes() const;
    // True while the walk goes on by itself for rows not yet found.
    bool Searching() const { return searching_; }
    // True once the whole file was walked.
    bool WalkEnded() const { return walkEnded_; }
    // The lines of the backup walked so far.
    std::int64_t LinesWalked() const { return linesWalked_; }
    // True when the rows are a plain difference (the file was changed after
    // the run).
    bool ShowsPlainDifference() const { return state_ == State::Plain; }
    const Row& RowAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // Notes() changed.
    void notesChanged();

private:
    enum class State { Empty, Walking, Plain, PlainTooLarge, Unreadable };
    enum class Step { Taken, Ended, Restarted };

    void Reset();
    void ResetRows();
    void Open();
    void OpenPlain();
    // Reaches the backup and the file below the run's directories; false
    // (with the note saying which) when one of them cannot be read.
    bool Reach(std::string& backup, std::string& file);
    void Walk();
    Step TakeNext(std::vector<Row>& added, bool& notesChanged);
    void NoteEnding(const LinePair& pair, bool& notesChanged);
    void AddSame(const LinePair& pair, std::vector<Row>& added) const;
    void AddGap(std::int64_t lines, std::vector<Row>& added) const;
    void AddChange(const LinePair& pair, const ChangedSpans& spans, std::vector<Row>& added) const;
    // Marks the plain difference's lines that replace one another: the
    // n-th removed line of a block of changes against its n-th added line.
    void MarkPlainPairs();
    void AddNewRows(std::int64_t number, const std::string& text, const ByteSpans& spans,
                    std::vector<Row>& added) const;

    const LineSettings& lines_;
    CodeMode code_;
    std::unique_ptr<PathResolver> resolver_;
    ChangeRecord record_;
    State state_ = State::Empty;

    // Where the pairs come from: the walk under the run's operations, or
    // the plain difference (each pair with its own marks).
    std::unique_ptr<ChangeWalker> walker_;
    std::vector<LinePair> plain_;
    std::vector<ByteSpans> plainMarks_; // of each pair of plain_
    std::size_t plainNext_ = 0;
    QString problem_; // why the file cannot be shown
    bool walkEnded_ = true;
    std::int64_t linesWalked_ = 0;

    std::vector<Row> rows_;
    // The last unchanged pairs, which lead into the next change, each with
    // its place among the pairs taken.
    std::deque<std::pair<std::int64_t, LinePair>> before_;
    std::int64_t pairsTaken_ = 0;
    std::int64_t lastShown_ = 0; // the place of the last pair shown
    int trailing_ = 0;           // unchanged pairs still to show after a change
    bool anyChange_ = false;

    // Line ends the run changed, old and new.
    std::vector<std::pair<std::string, std::string>> conversions_;
    std::size_t wanted_ = 0; // rows wanted before the walk rests
    bool searching_ = false;
    bool lineTooLong_ = false; // the walk ended at a line too long to show
    QTimer goOn_;
};
