#include "shell/check_list.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "common/cp1251.h"
#include "common/failure.h"
#include "common/files.h"
#include "common/text.h"

namespace orvenka {
namespace {

// Far beyond any register a shop builds up (some ten million documents), and within the
// offsets the index keeps.
constexpr uint64_t kMaxCheckListBytes = 512ull << 20;
// Below this size the whole file is written anew in order for every entry: a few milliseconds.
constexpr size_t kAlwaysSortedBytes = 1u << 20;
// The appended end may grow to this share of the ordered body before the file is put in order.
constexpr size_t kTailShare = 16;

// The order of CompareNoCase, byte by byte: each Windows-1251 byte stands for its character
// upper-cased, as a code point.
const std::array<char32_t, 256>& SortKeys() {
    static const std::array<char32_t, 256> keys = [] {
        std::array<char32_t, 256> k{};
        for (int b = 0; b < 256; ++b) {
            const std::u32string upper =
                ToU32(UpperRus(Cp1251ToUtf8(std::string(1, static_cast<char>(b)))));
            k[static_cast<size_t>(b)] = upper.empty() ? 0 : upper[0];
        }
        return k;
    }();
    return keys;
}

// <0, 0, >0 as CompareNoCase gives for the two texts these bytes encode.
int CompareBytes(std::string_view a, std::string_view b) {
    const auto& keys = SortKeys();
    const size_t n = std::min(a.size(), b.size());
    // Equal bytes are equal characters: a common prefix (entries in order share long ones) is
    // skipped eight bytes at a time, without table look-ups.
    size_t i = 0;
    for (uint64_t x = 0, y = 0; i + 8 <= n; i += 8) {
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y)
            break;
    }
    for (; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        const char32_t ka = keys[static_cast<unsigned char>(a[i])];
        const char32_t kb = keys[static_cast<unsigned char>(b[i])];
        if (ka != kb)
            return ka < kb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Starts of the lines of bytes in which every line ends in CR LF and holds no other CR or LF;
// false for anything else (the file was not written by the program).
bool SplitOwnLines(const std::string& bytes, std::vector<uint32_t>& starts) {
    starts.clear();
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        return false;
    const char* const data = bytes.data();
    const size_t size = bytes.size();
    starts.reserve(size / 24);
    size_t pos = 0;
    while (pos < size) {
        const void* cr = std::memchr(data + pos, '\r', size - pos);
        if (!cr)
            return false;
        const size_t end = static_cast<size_t>(static_cast<const char*>(cr) - data);
        if (end + 1 >= size || data[end + 1] != '\n' ||
            std::memchr(data + pos, '\n', end - pos) != nullptr) {
            return false;
        }
        starts.push_back(static_cast<uint32_t>(pos));
        pos = end + 2;
    }
    return true;
}

// Identifiers in order without duplicates (the first spelling kept), each followed by CR LF.
std::string OrderedBytes(std::vector<std::string> keys) {
    std::stable_sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
        return CompareBytes(a, b) < 0;
    });
    keys.erase(std::unique(keys.begin(), keys.end(),
                           [](const std::string& a, const std::string& b) {
                               return CompareBytes(a, b) == 0;
                           }),
               keys.end());
    std::string bytes;
    for (const std::string& key : keys) {
        bytes += key;
        bytes += "\r\n";
    }
    return bytes;
}

// An identifier as a line of the file: Windows-1251, line breaks would split it in two.
std::string KeyOf(std::string_view id) {
    std::string key = Utf8ToCp1251(std::string(id));
    std::replace(key.begin(), key.end(), '\r', ' ');
    std::replace(key.begin(), key.end(), '\n', ' ');
    return key;
}

}  // namespace

std::vector<std::string> SortedRegister(std::vector<std::string> lines) {
    const auto less = [](const std::string& a, const std::string& b) {
        return CompareNoCase(a, b) < 0;
    };
    std::stable_sort(lines.begin(), lines.end(), less);
    const auto same = [](const std::string& a, const std::string& b) {
        return CompareNoCase(a, b) == 0;
    };
    lines.erase(std::unique(lines.begin(), lines.end(), same), lines.end());
    return lines;
}

CheckList CheckList::Load(const std::string& path) {
    CheckList list(path);
    RefuseLinkedFile(path);
    if (!FileExists(path))
        return list;
    list.bytes_ = ReadFileBytes(path, kMaxCheckListBytes);
    if (SplitOwnLines(list.bytes_, list.starts_)) {
        list.Index();
        if (list.ownForm_)
            return list;
    }
    // Written by someone else: read as text and put in order here; the next entry writes the
    // whole file anew in the program's own form.
    std::vector<std::string> keys;
    const bool bom = list.bytes_.rfind("\xEF\xBB\xBF", 0) == 0;
    for (const std::string& line : SplitLines(bom ? DecodeFileText(list.bytes_) : list.bytes_))
        keys.push_back(bom ? Utf8ToCp1251(line) : line);
    list.bytes_ = OrderedBytes(std::move(keys));
    SplitOwnLines(list.bytes_, list.starts_);
    list.Index();
    list.ownForm_ = false;
    return list;
}

void CheckList::Index() {
    const size_t n = starts_.size();
    body_ = n == 0 ? 0 : 1;
    while (body_ < n && CompareBytes(Entry(body_ - 1), Entry(body_)) < 0)
        ++body_;
    tail_.clear();
    for (size_t i = body_; i < n; ++i)
        tail_.push_back(static_cast<uint32_t>(i));
    std::stable_sort(tail_.begin(), tail_.end(), [this](uint32_t a, uint32_t b) {
        return CompareBytes(Entry(a), Entry(b)) < 0;
    });
    // A duplicate (ignoring case) in the appended end, or of an entry of the body, means the
    // file was edited by hand.
    ownForm_ = true;
    for (size_t k = 0; k < tail_.size() && ownForm_; ++k) {
        const std::string_view entry = Entry(tail_[k]);
        const size_t at = BodyLowerBound(entry);
        ownForm_ = !(k > 0 && CompareBytes(Entry(tail_[k - 1]), entry) == 0) &&
                   !(at < body_ && CompareBytes(Entry(at), entry) == 0);
    }
}

std::string_view CheckList::Entry(size_t i) const {
    const size_t begin = starts_[i];
    const size_t end = (i + 1 < starts_.size() ? starts_[i + 1] : bytes_.size()) - 2;
    return std::string_view(bytes_).substr(begin, end - begin);
}

size_t CheckList::BodyLowerBound(std::string_view key) const {
    size_t lo = 0;
    size_t hi = body_;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (CompareBytes(Entry(mid), key) < 0) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

std::vector<uint32_t>::const_iterator CheckList::TailLowerBound(std::string_view key) const {
    return std::lower_bound(
        tail_.begin(), tail_.end(), key,
        [this](uint32_t i, std::string_view k) { return CompareBytes(Entry(i), k) < 0; });
}

size_t CheckList::Find(std::string_view key) const {
    const size_t lo = BodyLowerBound(key);
    if (lo < body_ && CompareBytes(Entry(lo), key) == 0)
        return lo;
    const auto at = TailLowerBound(key);
    if (at != tail_.end() && CompareBytes(Entry(*at), key) == 0)
        return *at;
    return Size();
}

bool CheckList::Contains(std::string_view id) const {
    return Find(KeyOf(id)) != Size();
}

std::string CheckList::SortedBytes(size_t skip, std::string_view extra) const {
    std::string out;
    out.reserve(bytes_.size() + extra.size() + 2);
    bool extraDone = extra.empty();
    const auto put = [&](std::string_view entry) {
        if (!extraDone && CompareBytes(extra, entry) < 0) {
            out += extra;
            out += "\r\n";
            extraDone = true;
        }
        out += entry;
        out += "\r\n";
    };
    size_t b = 0;
    size_t t = 0;
    while (b < body_ || t < tail_.size()) {
        size_t next = 0;
        if (t == tail_.size() || (b < body_ && CompareBytes(Entry(b), Entry(tail_[t])) < 0)) {
            next = b++;
        } else {
            next = tail_[t++];
        }
        if (next != skip)
            put(Entry(next));
    }
    if (!extraDone) {
        out += extra;
        out += "\r\n";
    }
    return out;
}

void CheckList::Rewrite(std::string bytes) {
    RefuseLinkedFile(path_);
    WriteFileBytesAtomic(path_, bytes);
    bytes_ = std::move(bytes);
    SplitOwnLines(bytes_, starts_);
    body_ = starts_.size();
    tail_.clear();
    ownForm_ = true;
}

bool CheckList::Add(std::string_view id) {
    const std::string key = KeyOf(id);
    if (Find(key) != Size())
        return false;
    if (bytes_.size() + key.size() + 2 > std::numeric_limits<uint32_t>::max())
        throw Failure("Реестр напечатанных документов " + path_ + " переполнен");
    const bool small = bytes_.size() + key.size() + 2 < kAlwaysSortedBytes;
    if (small || !ownForm_ || tail_.size() + 1 > body_ / kTailShare) {
        Rewrite(SortedBytes(Size(), key));
        return true;
    }
    const std::string line = key + "\r\n";
    AppendBytesSynced(path_, line);
    const auto index = static_cast<uint32_t>(starts_.size());
    starts_.push_back(static_cast<uint32_t>(bytes_.size()));
    bytes_ += line;
    tail_.insert(TailLowerBound(key), index);
    return true;
}

bool CheckList::Remove(std::string_view id) {
    const size_t index = Find(KeyOf(id));
    if (index == Size())
        return false;
    std::string bytes = SortedBytes(index, {});
    if (bytes.empty()) {
        // Nothing listed is no register, as before the entry came.
        if (!DeleteFileIfExists(path_))
            throw Failure("Не удалось удалить файл \"" + path_ + "\"");
        *this = CheckList(path_);
        return true;
    }
    Rewrite(std::move(bytes));
    return true;
}

std::vector<std::string> CheckList::Lines() const {
    std::vector<std::string> lines;
    for (const std::string& line : SplitLines(SortedBytes(Size(), {})))
        lines.push_back(Cp1251ToUtf8(line));
    return lines;
}

}  // namespace orvenka
