// Random "Cams.inf" contents: the list is read, shown in the three mirrored lists, looked up and
// rewritten through the store in a scratch folder. Checks that the readers agree with a plain
// model of the format, that the three lists hold the same descriptions in one sorted order, and
// that every rewrite keeps the entries it does not touch.

#include "cameras/CamList.h"
#include "platform/Controls.h"

#include "FuzzFile.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

using namespace orlisk;

namespace {

struct Entry {
    QByteArray description;
    QByteArray address;
    bool operator==(const Entry&) const = default;
};
using Entries = std::vector<Entry>;

// The format read the plain way: a byte order mark at the start is no text, lines end at CR LF,
// LF or CR, an empty line where a description is due is skipped, the next line is the address
// (empty when missing).
Lines ModelLines(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    Lines lines;
    QByteArray line;
    for (const char c : bytes) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        lines.push_back(line);
    return lines;
}

Entries ModelEntries(const Lines& lines) {
    Entries entries;
    for (std::size_t i = 0; i < lines.size();) {
        if (lines[i].isEmpty()) {
            ++i;
            continue;
        }
        entries.push_back({lines[i], i + 1 < lines.size() ? lines[i + 1] : QByteArray()});
        i += 2;
    }
    return entries;
}

struct World {
    World() {
        static int argc = 1;
        static char name[] = "fuzz_camlist";
        static char* argv[] = {name, nullptr};
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app = std::make_unique<QApplication>(argc, argv);
        folder = QString::fromStdString(fuzzfile::Folder());
        store = std::make_unique<CamListStore>(folder);
        // Widgets only once the application exists.
        list1 = std::make_unique<SortedListBox>();
        combo1 = std::make_unique<QComboBox>();
        combo2 = std::make_unique<QComboBox>();
        lists = std::make_unique<CamLists>(*store, *list1, *combo1, *combo2);
    }
    std::unique_ptr<QApplication> app;
    QString folder;
    std::unique_ptr<CamListStore> store;
    std::unique_ptr<SortedListBox> list1;
    std::unique_ptr<QComboBox> combo1;
    std::unique_ptr<QComboBox> combo2;
    std::unique_ptr<CamLists> lists;
};

World& TheWorld() {
    static World* world = new World; // lives to the end: Qt tears down its own way
    return *world;
}

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void Put(const World& w, const QByteArray& bytes) {
    QFile file(w.store->CamsPath());
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Check(file.write(bytes) == bytes.size());
}

QByteArray Get(const World& w) {
    QFile file(w.store->CamsPath());
    Check(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

Entries Reread(const World& w) {
    Lines lines;
    Check(w.store->Read(lines) == CamListStore::ReadStatus::Ok);
    return ModelEntries(lines);
}

// A rewrite writes every line with CR LF and starts no line with a stray LF; a byte order mark
// may come first.
void CheckWritten(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    Check(bytes.isEmpty() || bytes.endsWith("\r\n"));
}

// The description bytes that a text shown in the lists names: its own bytes when a line holds
// them, else the first description shown as that text.
QByteArray Target(const Entries& entries, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    for (const Entry& e : entries)
        if (e.description == bytes)
            return bytes;
    for (const Entry& e : entries)
        if (DecodeLine(e.description) == text)
            return e.description;
    return bytes;
}

void CheckLists(World& w, const Entries& entries) {
    w.lists->RefillCamLists();
    const int n = static_cast<int>(entries.size());
    Check(w.list1->count() == n && w.combo1->count() == n && w.combo2->count() == n);
    QStringList shown;
    for (int i = 0; i < n; ++i) {
        const QString text = w.list1->item(i)->text();
        Check(w.combo1->itemText(i) == text && w.combo2->itemText(i) == text);
        if (i > 0) {
            const QString& before = shown.back();
            int order = before.compare(text, Qt::CaseInsensitive);
            if (order == 0)
                order = before.compare(text, Qt::CaseSensitive);
            Check(order <= 0);
        }
        shown << text;
    }
    QStringList expected;
    for (const Entry& e : entries)
        expected << DecodeLine(e.description);
    std::sort(expected.begin(), expected.end());
    QStringList sorted = shown;
    std::sort(sorted.begin(), sorted.end());
    Check(sorted == expected);

    // Every camera shown can be looked up by the text the lists show (the refresh does this).
    for (int i = 0; i < std::min(n, 16); ++i) {
        const QString& text = shown[i];
        const auto address = w.store->FindCamUrl(text, Match::Last);
        Check(address.has_value());
        const QByteArray target = Target(entries, text);
        const Entry* last = nullptr;
        for (const Entry& e : entries)
            if (e.description == target)
                last = &e;
        Check(last != nullptr);
        Check(*address == DecodeLine(last->address));
    }
}

void CheckPure(const Lines& lines, const Entries& entries) {
    const std::vector<QByteArray> descriptions = ReadDescriptions(lines);
    Check(descriptions.size() == entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        Check(descriptions[i] == entries[i].description);
    for (std::size_t i = 0; i < std::min<std::size_t>(entries.size(), 16); ++i) {
        const QByteArray& d = entries[i].description;
        const Entry* first = nullptr;
        const Entry* last = nullptr;
        for (const Entry& e : entries) {
            if (e.description == d) {
                if (!first)
                    first = &e;
                last = &e;
            }
        }
        Check(FindAddress(lines, d, Match::First) == first->address);
        Check(FindAddress(lines, d, Match::Last) == last->address);
    }
}

// A description that the user could type and that is in no entry.
QString FreshDescription(const Entries& entries) {
    for (int n = 0;; ++n) {
        const QString candidate = QStringLiteral("Fuzz camera %1").arg(n);
        const QByteArray bytes = candidate.toLocal8Bit();
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const Entry& e) { return e.description == bytes; }))
            return candidate;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = TheWorld();
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Lines model = ModelLines(input);
    const Entries entries = ModelEntries(model);

    Put(w, input);
    Lines lines;
    Check(w.store->Read(lines) == CamListStore::ReadStatus::Ok);
    Check(lines == model);
    CheckPure(lines, entries);
    CheckLists(w, entries);

    // Removing a description that no line can hold rewrites the list with every entry kept.
    Check(w.store->RemoveCamEntry(QStringLiteral("\n")));
    CheckWritten(Get(w));
    Check(Reread(w) == entries);
    Check(!QFile::exists(w.store->RewritePath()));

    // Adding a new camera appends it and keeps the rest.
    Put(w, input);
    const QString fresh = FreshDescription(entries);
    Check(w.store->SaveCamEntry(fresh, QStringLiteral("http://n/"), SaveMode::Add, QString(),
                                [] {
                                    __builtin_trap();
                                    return false;
                                },
                                {}));
    CheckWritten(Get(w));
    Entries added = entries;
    added.push_back({fresh.toLocal8Bit(), "http://n/"});
    Check(Reread(w) == added);

    if (!entries.empty()) {
        // The first camera as the lists show it: edit, overwrite and remove reach its entries.
        const QByteArray d = entries.front().description;
        const QString shown = DecodeLine(d);
        const QByteArray target = Target(entries, shown);

        // An edit of the address alone keeps the description's bytes.
        Put(w, input);
        Check(w.store->SaveCamEntry(shown, QStringLiteral("http://e/"), SaveMode::Edit, shown,
                                    [] {
                                        __builtin_trap();
                                        return false;
                                    },
                                    {}));
        Entries edited = entries;
        for (Entry& e : edited)
            if (e.description == target)
                e.address = "http://e/";
        Check(Reread(w) == edited);

        // Typing the description again asks before it overwrites the first entry.
        const bool typable = shown.toLocal8Bit() == d && !d.contains('\r');
        if (typable) {
            Put(w, input);
            int asked = 0;
            Check(w.store->SaveCamEntry(shown, QStringLiteral("http://o/"), SaveMode::Add,
                                        QString(),
                                        [&] {
                                            ++asked;
                                            return true;
                                        },
                                        {}));
            Check(asked == 1);
            Entries overwritten = entries;
            overwritten.front().address = "http://o/";
            Check(Reread(w) == overwritten);

            // Declined: the list stays byte for byte.
            Put(w, input);
            Check(!w.store->SaveCamEntry(shown, QStringLiteral("http://x/"), SaveMode::Add,
                                         QString(), [] { return false; }, {}));
            Check(Get(w) == input);
            QFile::remove(w.store->RewritePath());
        }

        // Removing the first camera by its shown text drops exactly its entries.
        Put(w, input);
        Check(w.store->RemoveCamEntry(shown));
        Entries kept;
        for (const Entry& e : entries)
            if (e.description != target)
                kept.push_back(e);
        Check(Reread(w) == kept);
    }
    return 0;
}
