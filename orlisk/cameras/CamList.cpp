#include "cameras/CamList.h"

#include "platform/Controls.h"
#include "platform/MessageBoxes.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>

#include <cstdio>
#include <unistd.h>

namespace orlisk {

namespace {

void WriteLine(QIODevice& out, const QByteArray& line) {
    out.write(line);
    out.write("\r\n", 2);
}

// A typed field must stay one line, or it would break the pairing of lines.
QByteArray OneLine(const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    return bytes;
}

// Walks the entries: calls onEmpty for an empty line where a description is expected and
// onEntry for a description with its address (hasAddress false on a last line without one).
template <typename OnEmpty, typename OnEntry>
bool WalkEntries(const Lines& lines, OnEmpty onEmpty, OnEntry onEntry) {
    for (std::size_t i = 0; i < lines.size();) {
        if (lines[i].isEmpty()) {
            onEmpty();
            ++i;
            continue;
        }
        const bool hasAddress = i + 1 < lines.size();
        const QByteArray empty;
        if (!onEntry(lines[i], hasAddress ? lines[i + 1] : empty, hasAddress))
            return false;
        i += 2;
    }
    return true;
}

// The bytes of the description that a text from the lists stands for. A line that is no valid
// text in the locale's encoding (a list written in another code page) is shown with replacement
// characters, and that text encoded again would match no line: such a camera could never be
// fetched, edited or removed. So the text is matched against the lines as they are shown, an
// exact match of its bytes first. None when no description line matches.
std::optional<QByteArray> ShownDescription(const Lines& lines, const QString& description) {
    const QByteArray bytes = description.toLocal8Bit();
    std::optional<QByteArray> shownAs;
    WalkEntries(
        lines, [] {},
        [&](const QByteArray& d, const QByteArray&, bool) {
            if (d == bytes) {
                shownAs = d;
                return false;
            }
            if (!shownAs && QString::fromLocal8Bit(d) == description)
                shownAs = d;
            return true;
        });
    return shownAs;
}

QByteArray DescriptionBytes(const Lines& lines, const QString& description) {
    return ShownDescription(lines, description).value_or(description.toLocal8Bit());
}

} // namespace

Lines SplitLines(const QByteArray& bytes) {
    Lines lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const bool ended = end >= 0;
        if (!ended)
            end = bytes.size();
        QByteArray line = bytes.mid(start, end - start);
        if (ended && line.endsWith('\r'))
            line.chop(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<QByteArray> ReadDescriptions(const Lines& lines) {
    std::vector<QByteArray> descriptions;
    WalkEntries(
        lines, [] {},
        [&](const QByteArray& description, const QByteArray&, bool) {
            descriptions.push_back(description);
            return true;
        });
    return descriptions;
}

std::optional<QByteArray> FindAddress(const Lines& lines, const QByteArray& description,
                                      Match match) {
    std::optional<QByteArray> found;
    WalkEntries(
        lines, [] {},
        [&](const QByteArray& d, const QByteArray& address, bool) {
            if (d == description) {
                found = address;
                return match == Match::Last;
            }
            return true;
        });
    return found;
}

bool WriteSaved(const Lines& in, QIODevice& out, const QByteArray& description,
                const QByteArray& address, SaveMode mode, const QByteArray& oldDescription,
                const std::function<bool()>& askOverwrite,
                const std::function<void()>& hideDialog) {
    bool written = false;
    const bool completed = WalkEntries(
        in, [&] { WriteLine(out, QByteArray()); },
        [&](const QByteArray& d, const QByteArray& a, bool) {
            if (mode == SaveMode::Edit && d == oldDescription) {
                WriteLine(out, description);
                WriteLine(out, address);
                written = true;
            } else if (d == description && !written && mode == SaveMode::Add) {
                if (!askOverwrite())
                    return false;
                if (hideDialog)
                    hideDialog();
                WriteLine(out, description);
                WriteLine(out, address);
                written = true;
            } else {
                // A last description without its address line gets an empty one, so an entry
                // appended after it keeps the pairing of lines.
                WriteLine(out, d);
                WriteLine(out, a);
            }
            return true;
        });
    if (!completed)
        return false;
    if (hideDialog)
        hideDialog();
    if (!written) {
        WriteLine(out, description);
        WriteLine(out, address);
    }
    return true;
}

void WriteRemoved(const Lines& in, QIODevice& out, const QByteArray& description) {
    WalkEntries(
        in, [] {},
        [&](const QByteArray& d, const QByteArray& a, bool) {
            if (d != description) {
                WriteLine(out, d);
                WriteLine(out, a);
            }
            return true;
        });
}

void WriteDefault(QIODevice& out) {
    WriteLine(out, QByteArray(kDefaultDescription));
    WriteLine(out, QByteArray(kDefaultAddress));
}

CamListStore::CamListStore(QString folder) : m_folder(std::move(folder)) {}

QString CamListStore::CamsPath() const {
    return m_folder.isEmpty() ? QString::fromLatin1(kCamsFile)
                              : QDir(m_folder).filePath(QString::fromLatin1(kCamsFile));
}

QString CamListStore::RewritePath() const {
    return m_folder.isEmpty() ? QString::fromLatin1(kRewriteFile)
                              : QDir(m_folder).filePath(QString::fromLatin1(kRewriteFile));
}

CamListStore::ReadStatus CamListStore::Read(Lines& lines) const {
    lines.clear();
    const QFileInfo info(CamsPath());
    if (!info.exists())
        return ReadStatus::Missing;
    // Only a regular file is read: a FIFO named "Cams.inf" must not hang the program.
    QFile file(CamsPath());
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return ReadStatus::Unreadable;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return ReadStatus::Unreadable;
    lines = SplitLines(bytes);
    return ReadStatus::Ok;
}

std::optional<QString> CamListStore::FindCamUrl(const QString& description, Match match) const {
    Lines lines;
    if (Read(lines) != ReadStatus::Ok)
        return std::nullopt;
    const auto address = FindAddress(lines, DescriptionBytes(lines, description), match);
    if (!address)
        return std::nullopt;
    return QString::fromLocal8Bit(*address);
}

bool CamListStore::Rewrite(const std::function<bool(QIODevice&)>& writer) {
    QFile out(RewritePath());
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (!writer(out))
        return false; // declined: "C1.DAT" stays behind, "Cams.inf" is untouched
    bool ok = out.flush() && out.error() == QFileDevice::NoError;
    ok = ok && ::fsync(out.handle()) == 0;
    out.close();
    ok = ok && out.error() == QFileDevice::NoError;
    if (!ok)
        return false;
    // Keep the owner's permission bits of the list being replaced.
    const QFileInfo old(CamsPath());
    if (old.isFile())
        QFile::setPermissions(RewritePath(), old.permissions());
    // One rename replaces the old list: there is never a moment without a complete "Cams.inf".
    return std::rename(QFile::encodeName(RewritePath()).constData(),
                       QFile::encodeName(CamsPath()).constData()) == 0;
}

bool CamListStore::SaveCamEntry(const QString& description, const QString& address, SaveMode mode,
                                const QString& oldDescription,
                                const std::function<bool()>& askOverwrite,
                                const std::function<void()>& hideDialog) {
    QByteArray d = OneLine(description);
    // An empty description could never be read back and would break the pairing of lines.
    if (d.isEmpty())
        return false;
    Lines in;
    // A list that exists but cannot be read is never replaced by one holding the new entry only.
    if (Read(in) == ReadStatus::Unreadable)
        return false;
    const auto shownOld = ShownDescription(in, oldDescription);
    const QByteArray old = shownOld.value_or(oldDescription.toLocal8Bit());
    // An edit of the address only keeps the description's bytes, whatever their encoding.
    if (mode == SaveMode::Edit && shownOld && description == oldDescription)
        d = *shownOld;
    return Rewrite([&](QIODevice& out) {
        return WriteSaved(in, out, d, OneLine(address), mode, old, askOverwrite, hideDialog);
    });
}

bool CamListStore::RemoveCamEntry(const QString& description) {
    Lines in;
    if (Read(in) != ReadStatus::Ok)
        return false;
    const QByteArray d = DescriptionBytes(in, description);
    return Rewrite([&](QIODevice& out) {
        WriteRemoved(in, out, d);
        return true;
    });
}

bool CamListStore::WriteDefaultCamList() {
    return Rewrite([](QIODevice& out) {
        WriteDefault(out);
        return true;
    });
}

CamLists::CamLists(CamListStore& store, SortedListBox& list1, QComboBox& form1Combo,
                   QComboBox& form2Combo)
    : m_store(store), m_list1(list1), m_form1Combo(form1Combo), m_form2Combo(form2Combo) {}

void CamLists::LoadCamList() {
    Lines lines;
    CamListStore::ReadStatus status = m_store.Read(lines);
    if (status == CamListStore::ReadStatus::Missing ||
        (status == CamListStore::ReadStatus::Ok && ReadDescriptions(lines).empty())) {
        // Tried once: a folder we cannot write to leaves the lists empty, it does not loop.
        if (m_store.WriteDefaultCamList())
            status = m_store.Read(lines);
    }
    Fill(status == CamListStore::ReadStatus::Ok ? ReadDescriptions(lines)
                                                : std::vector<QByteArray>{});
}

void CamLists::RefillCamLists() {
    m_list1.clear();
    m_form1Combo.clear();
    m_form2Combo.clear();
    Lines lines;
    if (m_store.Read(lines) == CamListStore::ReadStatus::Ok)
        Fill(ReadDescriptions(lines));
}

void CamLists::Fill(const std::vector<QByteArray>& descriptions) {
    for (const QByteArray& description : descriptions)
        m_list1.AddItem(QString::fromLocal8Bit(description));
    for (int i = 0; i < m_list1.count(); ++i) {
        m_form1Combo.addItem(m_list1.item(i)->text());
        m_form2Combo.addItem(m_list1.item(i)->text());
    }
    // A freshly filled picker has no selection until a window chooses one.
    m_form1Combo.setCurrentIndex(-1);
    m_form2Combo.setCurrentIndex(-1);
}

bool CamLists::SaveCamEntry(const QString& description, const QString& address, SaveMode mode,
                            const QString& oldDescription, MessageBoxes& boxes, QWidget* parent,
                            const std::function<void()>& hideDialog, bool* declined) {
    if (declined)
        *declined = false;
    const auto ask = [&] {
        const bool yes =
            boxes.Show(parent,
                       QStringLiteral("A cam with this description already exists! Do you "
                                      "want to overwrite it?"),
                       QStringLiteral("Orlisk"), MessageBoxes::Icon::Question,
                       MessageBoxes::Buttons::YesNo,
                       MessageBoxes::Answer::No) == MessageBoxes::Answer::Yes;
        if (declined)
            *declined = !yes;
        return yes;
    };
    if (!m_store.SaveCamEntry(description, address, mode, oldDescription, ask, hideDialog))
        return false;
    RefillCamLists();
    return true;
}

bool CamLists::RemoveCamEntry(const QString& description) {
    if (!m_store.RemoveCamEntry(description))
        return false;
    RefillCamLists();
    return true;
}

} // namespace orlisk
