#include "core/files/file_compare.h"

#include <algorithm>
#include <vector>

namespace velmorix {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// One step of an edit script: a line of both, of the left only, or of the right only.
struct Op {
    enum class Kind { Equal, Delete, Insert };
    Kind kind;
    qsizetype left;  // index into the left lines; for an insert, the left lines before it
    qsizetype right; // index into the right lines; for a delete, the right lines before it
};

// Past this many differences the rest is taken as replaced whole: a compare never runs away.
constexpr qsizetype kMaxEdits = 2000;

// Myers' shortest edit script from the end back; each step keeps only the diagonals it reached.
std::vector<Op> editScript(const QList<ComparedLine>& a, const QList<ComparedLine>& b) {
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    const qsizetype max = std::min(n + m, kMaxEdits);
    std::vector<qsizetype> v(size_t(2 * max + 3), 0);
    const qsizetype off = max + 1;
    std::vector<std::vector<qsizetype>> trace;
    qsizetype found = -1;
    for (qsizetype d = 0; d <= max && found < 0; ++d) {
        trace.emplace_back(v.begin() + (off - d - 1), v.begin() + (off + d + 2));
        for (qsizetype k = -d; k <= d; k += 2) {
            qsizetype x = (k == -d || (k != d && v[size_t(off + k - 1)] < v[size_t(off + k + 1)]))
                              ? v[size_t(off + k + 1)]
                              : v[size_t(off + k - 1)] + 1;
            qsizetype y = x - k;
            while (x < n && y < m && a[x].text == b[y].text) {
                ++x;
                ++y;
            }
            v[size_t(off + k)] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    std::vector<Op> ops;
    if (found < 0) { // too different to trace: all of the left goes, all of the right comes
        for (qsizetype i = 0; i < n; ++i)
            ops.push_back({Op::Kind::Delete, i, 0});
        for (qsizetype j = 0; j < m; ++j)
            ops.push_back({Op::Kind::Insert, n, j});
        return ops;
    }
    qsizetype x = n;
    qsizetype y = m;
    for (qsizetype d = found; d > 0; --d) {
        const std::vector<qsizetype>& t = trace[size_t(d)];
        const auto at = [&](qsizetype k) { return t[size_t(k + d + 1)]; };
        const qsizetype k = x - y;
        const qsizetype prevK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
        const qsizetype prevX = at(prevK);
        const qsizetype prevY = prevX - prevK;
        for (; x > prevX && y > prevY; --x, --y)
            ops.push_back({Op::Kind::Equal, x - 1, y - 1});
        if (x == prevX)
            ops.push_back({Op::Kind::Insert, x, y - 1});
        else
            ops.push_back({Op::Kind::Delete, x - 1, y});
        x = prevX;
        y = prevY;
    }
    for (; x > 0 && y > 0; --x, --y)
        ops.push_back({Op::Kind::Equal, x - 1, y - 1});
    std::reverse(ops.begin(), ops.end());
    return ops;
}

QByteArray range(qsizetype start, qsizetype count) {
    // A unified diff names an empty range by the line before it.
    const qsizetype first = count == 0 ? start : start + 1;
    return count == 1 ? QByteArray::number(first)
                      : QByteArray::number(first) + ',' + QByteArray::number(count);
}

} // namespace

QList<ComparedLine> comparedLines(const QByteArray& bytes) {
    QList<ComparedLine> lines;
    qint64 number = 1;
    qsizetype start = 0;
    const auto add = [&](qsizetype end) {
        while (end > start && isBlank(bytes[end - 1]))
            --end;
        if (end > start)
            lines.push_back({number, bytes.mid(start, end - start)});
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        add(i);
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        ++number;
        start = i + 1;
    }
    add(bytes.size());
    return lines;
}

FileComparison compareText(const QByteArray& received, const QByteArray& file, const QString& fileName) {
    FileComparison c;
    c.against = fileName;
    const QList<ComparedLine> r = comparedLines(received);
    const QList<ComparedLine> f = comparedLines(file);
    qsizetype i = 0;
    while (i < r.size() && i < f.size() && r[i].text == f[i].text)
        ++i;
    c.commonLines = i;
    c.same = i == r.size() && i == f.size();
    if (c.same)
        return c;
    c.receivedLine = i < r.size() ? r[i].number : 0;
    c.fileLine = i < f.size() ? f[i].number : 0;
    c.fileEnded = i == f.size();
    c.receivedEnded = i == r.size();
    return c;
}

FileComparison compareBytes(const QByteArray& received, const QByteArray& file, const QString& fileName) {
    FileComparison c;
    c.text = false;
    c.against = fileName;
    const qsizetype common = std::min(received.size(), file.size());
    qsizetype i = 0;
    while (i < common && received[i] == file[i])
        ++i;
    if (i == common && received.size() == file.size()) {
        c.same = true;
        return c;
    }
    // The save of a file without a length record writes whole lines of four bytes.
    const qsizetype padded = (file.size() + 3) / 4 * 4;
    if (i == file.size() && received.size() == padded &&
        std::all_of(received.begin() + file.size(), received.end(), [](char b) { return b == 0; })) {
        c.same = true;
        return c;
    }
    c.offset = i;
    c.fileEnded = i == file.size();
    c.receivedEnded = i == received.size();
    return c;
}

QString FileComparison::difference() const {
    if (same)
        return {};
    if (!text) {
        if (fileEnded || receivedEnded)
            return QStringLiteral("EOF on %1 after byte %2")
                .arg(fileEnded ? against : QStringLiteral("the received file"))
                .arg(offset);
        return QStringLiteral("byte %1").arg(offset + 1);
    }
    if (fileEnded)
        return QStringLiteral("EOF on %1 after line %2").arg(against).arg(commonLines);
    if (receivedEnded)
        return QStringLiteral("EOF on the received file after line %1").arg(commonLines);
    return QStringLiteral("line %1").arg(fileLine);
}

QString FileComparison::summary() const {
    return same ? QStringLiteral("same as %1").arg(against)
                : QStringLiteral("differs from %1: %2").arg(against, difference());
}

QList<DiffRow> sideBySide(const QByteArray& left, const QByteArray& right) {
    const QList<ComparedLine> a = comparedLines(left);
    const QList<ComparedLine> b = comparedLines(right);
    const std::vector<Op> ops = editScript(a, b);
    QList<DiffRow> rows;
    for (size_t i = 0; i < ops.size();) {
        if (ops[i].kind == Op::Kind::Equal) {
            const Op& op = ops[i++];
            rows.push_back({DiffRow::Kind::Same, a[op.left].number, b[op.right].number, a[op.left].text,
                            b[op.right].text});
            continue;
        }
        // A run of changes: the left's lines beside the right's, the longer one's rest alone.
        QList<qsizetype> gone;
        QList<qsizetype> come;
        for (; i < ops.size() && ops[i].kind != Op::Kind::Equal; ++i) {
            if (ops[i].kind == Op::Kind::Delete)
                gone.push_back(ops[i].left);
            else
                come.push_back(ops[i].right);
        }
        for (qsizetype k = 0; k < std::max(gone.size(), come.size()); ++k) {
            DiffRow row;
            row.kind = k >= come.size()   ? DiffRow::Kind::LeftOnly
                       : k >= gone.size() ? DiffRow::Kind::RightOnly
                                          : DiffRow::Kind::Changed;
            if (k < gone.size()) {
                row.leftNumber = a[gone[k]].number;
                row.left = a[gone[k]].text;
            }
            if (k < come.size()) {
                row.rightNumber = b[come[k]].number;
                row.right = b[come[k]].text;
            }
            rows.push_back(row);
        }
    }
    return rows;
}

QByteArray unifiedDiff(const QByteArray& left, const QByteArray& right, const QString& leftName,
                       const QString& rightName) {
    const QList<ComparedLine> a = comparedLines(left);
    const QList<ComparedLine> b = comparedLines(right);
    const std::vector<Op> ops = editScript(a, b);
    constexpr size_t kContext = 3;
    QByteArray out;
    size_t i = 0;
    size_t hunkEnd = 0; // where the last hunk ended: the next one's context starts no earlier
    while (i < ops.size()) {
        while (i < ops.size() && ops[i].kind == Op::Kind::Equal)
            ++i;
        if (i == ops.size())
            break;
        // A hunk: three lines of context before its first change and after its last; a change at most
        // six equal lines after the one before joins the hunk, as diff -u does.
        const size_t begin = std::max(hunkEnd, i >= kContext ? i - kContext : 0);
        size_t lastChange = i;
        for (size_t j = i; j < ops.size() && j - lastChange <= 2 * kContext + 1; ++j)
            if (ops[j].kind != Op::Kind::Equal)
                lastChange = j;
        const size_t end = std::min(ops.size(), lastChange + 1 + kContext);
        qsizetype leftCount = 0;
        qsizetype rightCount = 0;
        QByteArray body;
        for (size_t k = begin; k < end; ++k) {
            const Op& op = ops[k];
            leftCount += op.kind != Op::Kind::Insert ? 1 : 0;
            rightCount += op.kind != Op::Kind::Delete ? 1 : 0;
            const char mark = op.kind == Op::Kind::Equal ? ' ' : op.kind == Op::Kind::Delete ? '-' : '+';
            body += mark + (op.kind == Op::Kind::Insert ? b[op.right].text : a[op.left].text) + '\n';
        }
        out += "@@ -" + range(ops[begin].left, leftCount) + " +" + range(ops[begin].right, rightCount) +
               " @@\n" + body;
        i = hunkEnd = end;
    }
    if (out.isEmpty())
        return out;
    return "--- " + leftName.toUtf8() + "\n+++ " + rightName.toUtf8() + '\n' + out;
}

} // namespace velmorix
