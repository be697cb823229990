#include "split/ReceiverFiles.h"

#include "core/PathNames.h"

#include <QFile>
#include <QRegularExpression>

namespace {

constexpr char kScriptMark[] = "#!/bin/sh\n# Brevimo join script";

// What the script does, after the lines that name the set.
constexpr char kJoinScriptBody[] = R"sh(
# Started by a path: work in its folder ("./" keeps a name that starts with "-", or CDPATH, from cd).
case $0 in
*/*)
    dir=${0%/*}
    case $dir in /*) ;; *) dir=./$dir ;; esac
    cd "$dir" || exit 1
    ;;
esac

# The name of piece $1 in p: base, then the number with at least three digits.
piece() {
    if [ "$1" -lt 10 ]; then p="${base}00$1"; elif [ "$1" -lt 100 ]; then p="${base}0$1"; else p="$base$1"; fi
}

missing=
i=1
while [ "$i" -le "$count" ]; do
    piece "$i"
    [ -f "./$p" ] || missing="$missing
  $p"
    i=$((i + 1))
done
if [ -n "$missing" ]; then
    printf 'These pieces are missing:%s\nNothing was joined.\n' "$missing" >&2
    exit 1
fi

checking=yes
if command -v sha256sum >/dev/null 2>&1; then
    sums() { sha256sum "$@"; }
elif command -v shasum >/dev/null 2>&1; then
    sums() { shasum -a 256 "$@"; }
else
    checking=no
    echo "Neither sha256sum nor shasum is here: the pieces are joined without a check." >&2
fi
sum() { sums "./$1" | cut -c1-64; }
if [ "$checking" = yes ] && [ ! -f "./$list" ]; then
    checking=no
    printf '%s is missing: the pieces are joined without a check.\n' "$list" >&2
fi
# The checksum the list has for the file named $1; the list may have come through Windows with CR LF line ends.
expected() { f=$1 awk '{ sub(/\r$/, "") } substr($0, 67) == ENVIRON["f"] { print substr($0, 1, 64); exit }' "./$list"; }

# The pieces in order, as the arguments of the one run of each tool below: a program started for each piece makes
# a set of a thousand take most of a minute.
set --
i=1
while [ "$i" -le "$count" ]; do
    piece "$i"
    set -- "$@" "./$p"
    i=$((i + 1))
done

if [ "$checking" = yes ]; then
    # A piece the tool could not read has no sum: it is named too.
    bad=$(sums "$@" | l="./$list" n="$name" awk '
        BEGIN {
            while ((getline line < ENVIRON["l"]) > 0) {
                sub(/\r$/, "", line)
                if (substr(line, 67) != ENVIRON["n"]) want[substr(line, 67)] = substr(line, 1, 64)
            }
        }
        {
            p = substr($0, 67); sub(/^\.\//, "", p); seen[p] = 1
            if (want[p] != substr($0, 1, 64)) printf "\n  %s", p
        }
        END { for (p in want) if (!(p in seen)) printf "\n  %s", p }')
    if [ -n "$bad" ]; then
        printf 'These pieces are not the ones %s names (damaged, or of another file):%s\nNothing was joined.\n' \
            "$list" "$bad" >&2
        exit 1
    fi
fi

# A short working name: the file's own, with more added, could be longer than a name may be.
tmp=".brevimo-joining-$$"
cat "$@" > "./$tmp" || { rm -f "./$tmp"; exit 1; }
if [ "$checking" = yes ] && [ "$(sum "$tmp")" != "$(expected "$name")" ]; then
    rm -f "./$tmp"
    printf 'The joined pieces are not %s as it was split. Nothing was written.\n' "$name" >&2
    exit 1
fi
mv -f "./$tmp" "./$name" || { rm -f "./$tmp"; exit 1; }
if [ "$checking" = yes ]; then
    printf '%s is rebuilt, and its checksum is the one in %s.\n' "$name" "$list"
else
    printf '%s is rebuilt, without a check.\n' "$name"
fi
)sh";

// A text in single quotes means itself to sh, whatever it holds; a single quote is closed, escaped and reopened.
QByteArray shQuoted(const QString& text) {
    return '\'' + QFile::encodeName(text).replace('\'', "'\\''") + '\'';
}

} // namespace

QByteArray ChecksumList(const QString& fileName, const QString& base, const std::vector<QByteArray>& pieces,
                        const QByteArray& whole) {
    QByteArray list;
    for (size_t i = 0; i < pieces.size(); ++i)
        list += pieces[i] + "  " + QFile::encodeName(PieceName(base, static_cast<int64_t>(i) + 1)) + '\n';
    return list + whole + "  " + QFile::encodeName(fileName) + '\n';
}

QByteArray JoinScript(const QString& fileName, const QString& base, int64_t pieceCount) {
    QByteArray script = kScriptMark;
    script += ": rebuilds a file from its pieces and checks it.\n"
              "# Run it where the pieces are: sh " +
              shQuoted(QStringLiteral("./") + JoinScriptName(base)) + "\n";
    script += "name=" + shQuoted(fileName) + "\nbase=" + shQuoted(base) + "\nlist=" + shQuoted(ChecksumListName(base)) +
              "\ncount=" + QByteArray::number(pieceCount) + "\n";
    script += kJoinScriptBody;
    return script;
}

bool IsOwnReceiverFile(const QByteArray& head) {
    static const QRegularExpression listLine(QStringLiteral("^[0-9a-f]{64}  [^\\n]+\\n"));
    return head.startsWith(kScriptMark) || listLine.match(QString::fromUtf8(head)).hasMatch();
}
