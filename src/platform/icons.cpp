// Our own reader of the icons in programs, libraries, icon libraries, icons,
// cursors and animated cursors. Every number in these files may lie: each
// offset and size is checked against the file before use, directories are
// walked to a fixed depth, and no read is larger than one resource may be.
#include "platform/icons.h"

#include "base/file_name.h"
#include "platform/icon_images.h"

#include <QFile>
#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include <unistd.h>

namespace lumora {
namespace {

// No group directory or image is read past this.
constexpr qint64 kMaxResourceBytes = 16 << 20;
// An animated cursor is read whole, up to this.
constexpr qint64 kMaxAnimatedCursorBytes = 16 << 20;
// An NE resource table is read in one piece, up to this.
constexpr qint64 kMaxNeTableBytes = 1 << 20;
// Images of one group tried before its cell stays empty.
constexpr int kDecodeAttempts = 4;

quint16 le16(const QByteArray& d, qsizetype at) {
    return at >= 0 && at + 2 <= d.size() ? qFromLittleEndian<quint16>(d.constData() + at) : 0;
}
quint32 le32(const QByteArray& d, qsizetype at) {
    return at >= 0 && at + 4 <= d.size() ? qFromLittleEndian<quint32>(d.constData() + at) : 0;
}
bool tagAt(const QByteArray& d, qsizetype at, const char* tag) {
    const auto n = qsizetype(std::strlen(tag));
    return at >= 0 && at + n <= d.size() && std::memcmp(d.constData() + at, tag, size_t(n)) == 0;
}

// Bytes of a file or of memory, read by offset; reads past the end come back short.
class Source {
public:
    virtual ~Source() = default;
    virtual qint64 size() const = 0;
    QByteArray read(qint64 offset, qint64 length) const {
        if (offset < 0 || length <= 0 || offset >= size())
            return {};
        return readAt(offset, std::min({length, size() - offset, kMaxResourceBytes}));
    }

protected:
    virtual QByteArray readAt(qint64 offset, qint64 length) const = 0;
};

class FileSource final : public Source {
public:
    bool open(const QString& path) {
        size_ = openRegularFile(file_, path);
        return size_ >= 0;
    }
    qint64 size() const override { return size_; }

private:
    QByteArray readAt(qint64 offset, qint64 length) const override {
        QByteArray bytes(length, Qt::Uninitialized);
        qint64 done = 0;
        while (done < length) {
            const ssize_t n = ::pread(file_.handle(), bytes.data() + done, size_t(length - done),
                                      off_t(offset + done));
            if (n <= 0)
                break;  // the file shrank or cannot be read: what came is what there is
            done += n;
        }
        bytes.truncate(done);
        return bytes;
    }

    QFile file_;
    qint64 size_ = -1;
};

class MemorySource final : public Source {
public:
    explicit MemorySource(QByteArray bytes) : bytes_(std::move(bytes)) {}
    qint64 size() const override { return bytes_.size(); }

private:
    QByteArray readAt(qint64 offset, qint64 length) const override {
        return bytes_.mid(offset, length);
    }
    QByteArray bytes_;
};

struct Range {
    qint64 offset = 0;
    qint64 length = 0;
};

// One image a group directory names, as the directory describes it.
struct Entry {
    int width = 0;
    int height = 0;
    int bits = 0;    // 0: the directory does not say
    quint32 id = 0;  // in a resource group: the icon resource's number
    Range range;     // in an icon file: where the image is
};

// The icon groups of one file.
class Container {
public:
    virtual ~Container() = default;
    virtual int count() const = 0;
    // Where the directory of group index lies.
    virtual std::optional<Range> group(int index) const = 0;
    // The images that directory names.
    virtual std::vector<Entry> entries(const QByteArray& directory) const = 0;
    // Where an entry's image lies; nothing for an image the file lacks.
    virtual std::optional<Range> image(const Entry& entry) const = 0;
};

// A side of 0 in a directory means 256.
int side(quint8 stored) {
    return stored == 0 ? 256 : stored;
}

int statedBits(quint16 bits) {
    return bits >= 1 && bits <= 32 ? bits : 0;
}

// The group directory of a program's resources: 6 bytes, then 14 a picture.
std::vector<Entry> resourceGroupEntries(const QByteArray& d) {
    std::vector<Entry> entries;
    if (d.size() < 6 || le16(d, 0) != 0 || le16(d, 2) != 1)
        return entries;
    const qsizetype count = std::min<qsizetype>(le16(d, 4), (d.size() - 6) / 14);
    entries.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype at = 6 + 14 * i;
        Entry e;
        e.width = side(quint8(d[at]));
        e.height = side(quint8(d[at + 1]));
        e.bits = statedBits(le16(d, at + 6));
        e.id = le16(d, at + 12);
        entries.push_back(e);
    }
    return entries;
}

// An icon or cursor file, alone or as a frame of an animated cursor: its
// directory at base, its images at offsets from base.
class IconDirectory final : public Container {
public:
    IconDirectory(const Source& source, Range where) : source_(source), where_(where) {
        const QByteArray head = source.read(where.offset, std::min<qint64>(6, where.length));
        valid_ = head.size() == 6 && le16(head, 0) == 0 &&
                 (le16(head, 2) == 1 || le16(head, 2) == 2) && le16(head, 4) > 0;
    }
    static bool looksLike(const QByteArray& head) {
        return head.size() >= 6 && le16(head, 0) == 0 && (le16(head, 2) == 1 || le16(head, 2) == 2);
    }

    int count() const override { return valid_ ? 1 : 0; }
    std::optional<Range> group(int index) const override {
        if (!valid_ || index != 0)
            return std::nullopt;
        const QByteArray head = source_.read(where_.offset, 6);
        return Range{where_.offset,
                     std::min<qint64>(6 + 16 * qint64(le16(head, 4)), where_.length)};
    }
    std::vector<Entry> entries(const QByteArray& d) const override {
        std::vector<Entry> entries;
        const bool cursor = le16(d, 2) == 2;
        const qsizetype count = std::min<qsizetype>(le16(d, 4), (d.size() - 6) / 16);
        for (qsizetype i = 0; i < count; ++i) {
            const qsizetype at = 6 + 16 * i;
            const qint64 offset = le32(d, at + 12);
            if (offset >= where_.length)
                continue;
            Entry e;
            e.width = side(quint8(d[at]));
            e.height = side(quint8(d[at + 1]));
            // A cursor's entry holds its hot spot where an icon's holds planes and bits.
            e.bits = cursor ? 0 : statedBits(le16(d, at + 6));
            e.range = {where_.offset + offset,
                       std::min<qint64>(le32(d, at + 8), where_.length - offset)};
            entries.push_back(e);
        }
        return entries;
    }
    std::optional<Range> image(const Entry& entry) const override { return entry.range; }

private:
    const Source& source_;
    Range where_;
    bool valid_ = false;
};

// A 32- or 64-bit program or library: section table, then the resource
// directory's three levels (type, name, language).
class PeResources final : public Container {
public:
    PeResources(const Source& source, qint64 peOffset) : source_(source) {
        const QByteArray coff = source.read(peOffset, 24);
        if (coff.size() < 24)
            return;
        const int sectionCount = le16(coff, 6);
        const int optionalSize = le16(coff, 20);
        const qint64 optionalAt = peOffset + 24;
        const QByteArray optional = source.read(optionalAt, optionalSize);
        qsizetype directories = 0;
        switch (le16(optional, 0)) {
            case 0x10B:
                directories = 96;
                break;
            case 0x20B:
                directories = 112;
                break;
            default:
                return;
        }
        constexpr int kResourceDirectory = 2;
        if (le32(optional, directories - 4) <= quint32(kResourceDirectory))
            return;
        const quint32 resourceRva = le32(optional, directories + 8 * kResourceDirectory);
        const QByteArray table = source.read(optionalAt + optionalSize, 40 * qint64(sectionCount));
        for (qsizetype at = 0; at + 40 <= table.size(); at += 40)
            sections_.push_back({le32(table, at + 12), le32(table, at + 8), le32(table, at + 20),
                                 le32(table, at + 16)});
        const std::optional<qint64> base = fileOffset(resourceRva);
        if (!resourceRva || !base)
            return;
        base_ = *base;

        const Directory types = directory(0);
        for (qsizetype i = types.named; i < types.count(); ++i) {
            const auto [name, target] = types.entry(i);
            if (!(target & kSubdirectory))
                continue;
            if (name == kGroupIcon && groups_.empty())
                readGroups(target & ~kSubdirectory);
            else if (name == kIcon && icons_.isEmpty())
                readIcons(target & ~kSubdirectory);
        }
    }

    int count() const override { return int(groups_.size()); }
    std::optional<Range> group(int index) const override {
        return index >= 0 && index < count() ? data(groups_[size_t(index)]) : std::nullopt;
    }
    std::vector<Entry> entries(const QByteArray& d) const override {
        return resourceGroupEntries(d);
    }
    std::optional<Range> image(const Entry& entry) const override {
        const auto found = icons_.constFind(entry.id);
        return found == icons_.cend() ? std::nullopt : data(*found);
    }

private:
    static constexpr quint32 kSubdirectory = 0x80000000u;
    static constexpr quint32 kIcon = 3;
    static constexpr quint32 kGroupIcon = 14;

    struct Section {
        quint32 address, virtualSize, rawAt, rawSize;
    };
    struct Directory {
        qsizetype named = 0;
        QByteArray table;  // 8 bytes an entry: name or number, then target
        qsizetype count() const { return table.size() / 8; }
        std::pair<quint32, quint32> entry(qsizetype i) const {
            return {le32(table, 8 * i), le32(table, 8 * i + 4)};
        }
    };

    std::optional<qint64> fileOffset(quint32 rva) const {
        for (const Section& s : sections_) {
            const quint64 into = quint64(rva) - s.address;
            if (rva >= s.address && into < s.rawSize)
                return qint64(s.rawAt) + qint64(into);
        }
        return std::nullopt;
    }

    // A directory of the resource tree; its entries only as far as the file goes.
    Directory directory(quint32 at) const {
        const QByteArray head = source_.read(base_ + at, 16);
        Directory dir;
        if (head.size() < 16)
            return dir;
        dir.named = le16(head, 12);
        dir.table = source_.read(base_ + at + 16, 8 * (qint64(dir.named) + le16(head, 14)));
        dir.table.truncate(dir.table.size() / 8 * 8);
        return dir;
    }

    void readGroups(quint32 at) {
        const Directory names = directory(at);
        for (qsizetype i = 0; i < names.count() && groups_.size() < size_t(kMaxIconsPerFile); ++i)
            if (const quint32 target = names.entry(i).second; target & kSubdirectory)
                groups_.push_back(target & ~kSubdirectory);
    }

    void readIcons(quint32 at) {
        const Directory names = directory(at);
        for (qsizetype i = names.named; i < names.count(); ++i) {
            const auto [name, target] = names.entry(i);
            if (name <= 0xFFFF && (target & kSubdirectory) && !icons_.contains(name))
                icons_.insert(name, target & ~kSubdirectory);
        }
    }

    // The data of a name's first language; deeper directories are not followed.
    std::optional<Range> data(quint32 languagesAt) const {
        const Directory languages = directory(languagesAt);
        for (qsizetype i = 0; i < languages.count(); ++i) {
            const quint32 target = languages.entry(i).second;
            if (target & kSubdirectory)
                continue;
            const QByteArray leaf = source_.read(base_ + target, 16);
            const std::optional<qint64> at = fileOffset(le32(leaf, 0));
            if (leaf.size() < 16 || !at)
                return std::nullopt;
            return Range{*at, le32(leaf, 4)};
        }
        return std::nullopt;
    }

    const Source& source_;
    std::vector<Section> sections_;
    qint64 base_ = 0;
    std::vector<quint32> groups_;    // where each group's languages are
    QHash<quint32, quint32> icons_;  // icon number to where its languages are
};

// A 16-bit program, library or icon library: one resource table of types,
// each with its resources.
class NeResources final : public Container {
public:
    NeResources(const Source& source, qint64 neOffset) {
        const QByteArray header = source.read(neOffset, 64);
        const quint16 tableAt = le16(header, 0x24);
        if (header.size() < 64 || tableAt == le16(header, 0x26))
            return;  // no resource table
        const QByteArray table = source.read(neOffset + tableAt, kMaxNeTableBytes);
        const int shift = le16(table, 0);
        if (shift > 24)
            return;
        constexpr quint16 kIcon = 0x8003;
        constexpr quint16 kGroupIcon = 0x800E;
        for (qsizetype at = 2; at + 8 <= table.size();) {
            const quint16 type = le16(table, at);
            if (type == 0)
                break;
            const qsizetype count = le16(table, at + 2);
            at += 8;
            for (qsizetype i = 0; i < count && at + 12 <= table.size(); ++i, at += 12) {
                const Range range{qint64(le16(table, at)) << shift, qint64(le16(table, at + 2))
                                                                        << shift};
                const quint16 id = le16(table, at + 6);
                if (type == kGroupIcon && groups_.size() < size_t(kMaxIconsPerFile))
                    groups_.push_back(range);
                else if (type == kIcon && (id & 0x8000) && !icons_.contains(id & 0x7FFF))
                    icons_.insert(id & 0x7FFF, range);
            }
        }
    }

    int count() const override { return int(groups_.size()); }
    std::optional<Range> group(int index) const override {
        if (index < 0 || index >= count())
            return std::nullopt;
        return groups_[size_t(index)];
    }
    std::vector<Entry> entries(const QByteArray& d) const override {
        return resourceGroupEntries(d);
    }
    std::optional<Range> image(const Entry& entry) const override {
        const auto found = icons_.constFind(entry.id);
        return found == icons_.cend() ? std::nullopt : std::optional<Range>(*found);
    }

private:
    std::vector<Range> groups_;
    QHash<quint32, Range> icons_;
};

// The first frame of an animated cursor's sequence (its first frame without
// one): the place of that frame's icon file.
std::optional<Range> firstAnimationFrame(const QByteArray& d) {
    if (!tagAt(d, 0, "RIFF") || !tagAt(d, 8, "ACON"))
        return std::nullopt;
    const qint64 end = std::min<qint64>(d.size(), 8 + qint64(le32(d, 4)));
    bool header = false;
    qint64 first = 0;
    bool sequenced = false;
    std::optional<Range> frames;
    // Chunks are padded to even sizes.
    const auto next = [&d](qint64 at) { return at + 8 + le32(d, at + 4) + (le32(d, at + 4) & 1); };
    for (qint64 at = 12; at + 8 <= end; at = next(at)) {
        const qint64 body = at + 8;
        const qint64 bodyEnd = std::min<qint64>(end, body + le32(d, at + 4));
        if (tagAt(d, at, "anih") && bodyEnd - body >= 36) {
            header = true;
        } else if (tagAt(d, at, "seq ") && !sequenced && bodyEnd - body >= 4) {
            sequenced = true;
            first = le32(d, body);
        } else if (tagAt(d, at, "LIST") && tagAt(d, body, "fram") && !frames) {
            frames = Range{body + 4, bodyEnd - body - 4};
        }
    }
    if (!header || !frames)
        return std::nullopt;
    qint64 index = 0;
    const qint64 framesEnd = frames->offset + frames->length;
    for (qint64 at = frames->offset; at + 8 <= framesEnd; at = next(at)) {
        if (!tagAt(d, at, "icon"))
            continue;
        if (index++ == first)
            return Range{at + 8, std::min<qint64>(le32(d, at + 4), framesEnd - at - 8)};
    }
    return std::nullopt;
}

IconFileKind kindOf(const Source& source, qint64* headerAt) {
    const QByteArray head = source.read(0, 64);
    if (tagAt(head, 0, "MZ")) {
        *headerAt = le32(head, 0x3C);
        const QByteArray signature = source.read(*headerAt, 4);
        if (signature == QByteArray("PE\0\0", 4))
            return IconFileKind::Pe;
        if (tagAt(signature, 0, "NE"))
            return IconFileKind::Ne;
        return IconFileKind::Any;
    }
    if (IconDirectory::looksLike(head))
        return IconFileKind::IconDirectory;
    if (tagAt(head, 0, "RIFF") && tagAt(head, 8, "ACON"))
        return IconFileKind::AnimatedCursor;
    return IconFileKind::Any;
}

// How well an entry fits: nearest side first, the larger of two equally
// near, then the deepest colour.
struct Fit {
    int distance;
    int side;
    int bits;
    bool operator<(const Fit& o) const {
        if (distance != o.distance)
            return distance < o.distance;
        if (side != o.side)
            return side > o.side;
        return bits > o.bits;
    }
};

Fit fitOf(const Entry& e, int pixels) {
    return {std::abs(e.width - pixels) + std::abs(e.height - pixels), std::max(e.width, e.height),
            e.bits};
}

}  // namespace

struct IconResources::Data {
    // Nothing when the source holds no icons of that kind.
    static std::unique_ptr<Data> read(std::unique_ptr<Source> source, IconFileKind kind);

    std::unique_ptr<Source> source;
    std::unique_ptr<Container> container;
    // Results by the place of a group's directory and of an image, at a size:
    // groups or images named many times are decoded once.
    mutable QHash<std::pair<qint64, int>, QImage> groups;
    mutable QHash<std::pair<qint64, int>, QImage> images;

    QImage decodeImage(Range range, int pixels) const {
        const auto key = std::make_pair(range.offset, pixels);
        if (const auto found = images.constFind(key); found != images.cend())
            return *found;
        QImage image = icon_images::decode(source->read(range.offset, range.length));
        if (!image.isNull() && image.size() != QSize(pixels, pixels))
            image = image.scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        images.insert(key, image);
        return image;
    }

    QImage decodeGroup(Range where, int pixels) const {
        std::vector<Entry> entries = container->entries(source->read(where.offset, where.length));
        std::stable_sort(entries.begin(), entries.end(), [pixels](const Entry& a, const Entry& b) {
            return fitOf(a, pixels) < fitOf(b, pixels);
        });
        // Where the directory does not say the depth (cursors), the images of
        // the best size say it themselves.
        if (!entries.empty()) {
            const Fit best = fitOf(entries.front(), pixels);
            auto tied = entries.begin();
            while (tied != entries.end() && tied - entries.begin() < 16 &&
                   fitOf(*tied, pixels).distance == best.distance &&
                   fitOf(*tied, pixels).side == best.side)
                ++tied;
            for (auto e = entries.begin(); e != tied; ++e) {
                if (e->bits != 0)
                    continue;
                if (const std::optional<Range> at = container->image(*e))
                    if (const auto header = icon_images::peekHeader(source->read(at->offset, 64)))
                        e->bits = header->bits;
            }
            std::stable_sort(entries.begin(), tied, [pixels](const Entry& a, const Entry& b) {
                return fitOf(a, pixels) < fitOf(b, pixels);
            });
        }
        int attempts = 0;
        for (const Entry& e : entries) {
            const std::optional<Range> at = container->image(e);
            if (!at || at->length <= 0)
                continue;  // a group may name an image the file lacks
            const QImage image = decodeImage(*at, pixels);
            if (!image.isNull())
                return image;
            if (++attempts == kDecodeAttempts)
                break;
        }
        return {};
    }
};

IconResources::IconResources() = default;
IconResources::~IconResources() = default;
IconResources::IconResources(IconResources&&) noexcept = default;
IconResources& IconResources::operator=(IconResources&&) noexcept = default;

namespace {

std::unique_ptr<Container> readContainer(std::unique_ptr<Source>& source, IconFileKind wanted) {
    qint64 headerAt = 0;
    const IconFileKind kind = kindOf(*source, &headerAt);
    if (kind == IconFileKind::Any || (wanted != IconFileKind::Any && wanted != kind))
        return nullptr;
    switch (kind) {
        case IconFileKind::Pe:
            return std::make_unique<PeResources>(*source, headerAt);
        case IconFileKind::Ne:
            return std::make_unique<NeResources>(*source, headerAt);
        case IconFileKind::IconDirectory:
            return std::make_unique<IconDirectory>(*source, Range{0, source->size()});
        case IconFileKind::AnimatedCursor: {
            // Small by nature: read whole, then its frame is an icon file in memory.
            auto whole = std::make_unique<MemorySource>(
                source->read(0, std::min(source->size(), kMaxAnimatedCursorBytes)));
            source = std::move(whole);
            const std::optional<Range> frame = firstAnimationFrame(source->read(0, source->size()));
            if (!frame)
                return nullptr;
            return std::make_unique<IconDirectory>(*source, *frame);
        }
        case IconFileKind::Any:
            break;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<IconResources::Data> IconResources::Data::read(std::unique_ptr<Source> source,
                                                               IconFileKind kind) {
    std::unique_ptr<Container> container = readContainer(source, kind);
    if (!container || container->count() == 0)
        return nullptr;
    auto data = std::make_unique<Data>();
    data->source = std::move(source);
    data->container = std::move(container);
    return data;
}

IconResources IconResources::open(const QString& path) {
    IconResources resources;
    auto file = std::make_unique<FileSource>();
    if (file->open(path))
        resources.d_ = Data::read(std::move(file), IconFileKind::Any);
    return resources;
}

IconResources IconResources::fromBytes(const QByteArray& bytes, IconFileKind kind) {
    IconResources resources;
    resources.d_ = Data::read(std::make_unique<MemorySource>(bytes), kind);
    return resources;
}

int IconResources::count() const {
    return d_ ? d_->container->count() : 0;
}

QImage IconResources::icon(int index, int pixels) const {
    if (!d_ || pixels < 1 || pixels > kMaxIconSide)
        return {};
    const std::optional<Range> where = d_->container->group(index);
    if (!where)
        return {};
    const auto key = std::make_pair(where->offset, pixels);
    if (const auto found = d_->groups.constFind(key); found != d_->groups.cend())
        return *found;
    const QImage image = d_->decodeGroup(*where, pixels);
    d_->groups.insert(key, image);
    return image;
}

std::vector<int> IconResources::squareSides(int index) const {
    std::vector<int> sides;
    if (!d_)
        return sides;
    const std::optional<Range> where = d_->container->group(index);
    if (!where)
        return sides;
    for (const Entry& e : d_->container->entries(d_->source->read(where->offset, where->length)))
        if (e.width == e.height && e.width > 0)
            sides.push_back(e.width);
    std::sort(sides.begin(), sides.end());
    sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
    return sides;
}

}  // namespace lumora
