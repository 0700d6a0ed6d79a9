#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QIODevice;
class QWidget;

namespace orlisk {

class MessageBoxes;
class SortedListBox;

// The camera list "Cams.inf": entries of a description line and an address line, CR LF ends.
// Lines are kept as the bytes on disk, so a rewrite never changes an entry it does not touch.
using Lines = std::vector<QByteArray>;

inline constexpr char kCamsFile[] = "Cams.inf";
inline constexpr char kRewriteFile[] = "C1.DAT";
inline constexpr char kDefaultDescription[] = "Eiffeltower";
inline constexpr char kDefaultAddress[] = "http://www.parislive.net/eiffelwebcam1.jpg";

enum class SaveMode { Add, Edit };
enum class Match { First, Last };

// Splits file bytes into lines; a line ends at CR LF, LF or CR alone. A last line without a
// line end is a line.
Lines SplitLines(const QByteArray& bytes);

// The UTF-8 byte order mark that some editors put at the start of a text file.
inline constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// The text of a line: UTF-8 when it is valid UTF-8 (what Orlisk writes), else the Western
// ANSI code page 1252 (a list written on Windows), so that no character is lost to a
// replacement character.
QString DecodeLine(const QByteArray& line);

// The descriptions as readers see them, in file order. An empty line is skipped where a
// description is expected; the line after a description is its address, even when empty.
// A description on the last line, without an address line, is a camera with an empty address.
std::vector<QByteArray> ReadDescriptions(const Lines& lines);

// The address of a description. Only description lines are compared, never address lines.
std::optional<QByteArray> FindAddress(const Lines& lines, const QByteArray& description,
                                      Match match);

// The rewrite of an add or edit, written line by line to out. askOverwrite is asked when an add
// meets an existing description; a No stops the pass and returns false (what was written so
// far stays in out). hideDialog runs where the add/edit dialog is hidden.
bool WriteSaved(const Lines& in, QIODevice& out, const QByteArray& description,
                const QByteArray& address, SaveMode mode, const QByteArray& oldDescription,
                const std::function<bool()>& askOverwrite, const std::function<void()>& hideDialog);

// The rewrite of a remove: every entry with the description goes, and so do empty lines.
void WriteRemoved(const Lines& in, QIODevice& out, const QByteArray& description);

void WriteDefault(QIODevice& out);

// The file layer: "Cams.inf" and "C1.DAT" in one folder (the current one by default).
class CamListStore {
public:
    enum class ReadStatus { Ok, Missing, Unreadable };

    explicit CamListStore(QString folder = QString());

    QString CamsPath() const;
    QString RewritePath() const;

    // The lines without a leading byte order mark; why the file cannot be read in *reason, and
    // whether it had the mark in *bom.
    ReadStatus Read(Lines& lines, QString* reason = nullptr, bool* bom = nullptr) const;
    std::optional<QString> FindCamUrl(const QString& description, Match match) const;

    // Each returns whether "Cams.inf" was replaced.
    bool SaveCamEntry(const QString& description, const QString& address, SaveMode mode,
                      const QString& oldDescription, const std::function<bool()>& askOverwrite,
                      const std::function<void()>& hideDialog);
    bool RemoveCamEntry(const QString& description);
    bool WriteDefaultCamList();
    // Why the last change was not written (empty when the user declined or it was written).
    QString LastError() const { return m_lastError; }

private:
    // Writes "C1.DAT" through writer (after a byte order mark when bom), makes it durable and
    // renames it over "Cams.inf". A "Cams.inf" without the owner's write permission is never
    // replaced.
    bool Rewrite(const std::function<bool(QIODevice&)>& writer, bool bom = false);

    QString m_folder;
    QString m_lastError;
};

// The three mirrored lists: the camera list dialog's sorted list, and both pickers filled from it
// in its order, so that one index names one camera in all three.
class CamLists {
public:
    CamLists(CamListStore& store, SortedListBox& list1, QComboBox& form1Combo,
             QComboBox& form2Combo);

    CamListStore& Store() { return m_store; }

    // Fills the lists at start. A missing or entry-less "Cams.inf" is replaced by the default
    // list first; an existing file that cannot be read is left alone (the lists stay empty).
    void LoadCamList();
    void RefillCamLists();
    // The add/edit dialog's Ok: asks before overwriting an existing description. False when
    // nothing was written; *declined then tells whether the user said No to the question.
    bool SaveCamEntry(const QString& description, const QString& address, SaveMode mode,
                      const QString& oldDescription, MessageBoxes& boxes, QWidget* parent,
                      const std::function<void()>& hideDialog, bool* declined = nullptr);
    // False when "Cams.inf" could not be read or rewritten; it is then left as it was.
    bool RemoveCamEntry(const QString& description);

private:
    void Fill(const std::vector<QByteArray>& descriptions);

    CamListStore& m_store;
    SortedListBox& m_list1;
    QComboBox& m_form1Combo;
    QComboBox& m_form2Combo;
};

} // namespace orlisk
