#include "settings/IniFileStore.h"

#include "core/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

namespace {

bool needsQuotes(const QString& v) {
    if (v.isEmpty())
        return false;
    if (v.front().isSpace() || v.back().isSpace())
        return true;
    for (QChar c : v)
        if (c == u',' || c == u';' || c == u'#' || c == u'=' || c == u'"')
            return true;
    return false;
}

} // namespace

QString EncodeIniValue(const QString& value) {
    QString out;
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    if (out.startsWith(u'@'))
        out.prepend(u'@'); // "@" starts a typed value (@Variant, @ByteArray) in this format
    return needsQuotes(value) ? u'"' + out + u'"' : out;
}

std::optional<QString> DecodeIniValue(const QString& raw) {
    const QString text = raw.trimmed();
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar e = text.at(++i);
        switch (e.unicode()) {
        case 'n':
            out += u'\n';
            break;
        case 'r':
            out += u'\r';
            break;
        case 't':
            out += u'\t';
            break;
        case '\\':
        case '"':
        case '\'':
            out += e;
            break;
        case 'x': {
            qsizetype end = i + 1;
            while (end < text.size() && end < i + 5 && isxdigit(text.at(end).unicode()))
                ++end;
            out += QChar(text.mid(i + 1, end - i - 1).toUShort(nullptr, 16));
            i = end - 1;
            break;
        }
        default:
            out += u'\\'; // not an escape: a path such as C:\out keeps its backslash
            out += e;
        }
    }
    if (quoted)
        return std::nullopt;
    if (out.startsWith(QStringLiteral("@@")))
        out.remove(0, 1);
    return out;
}

IniFileStore::File& IniFileStore::fileOf(const QString& app) {
    File& f = files_[iniFile_.isEmpty() ? app : QString()];
    if (f.path.isEmpty()) {
        f.path = !iniFile_.isEmpty() ? iniFile_
                                     : QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
                                           app + u'/' + app + QStringLiteral(".conf");
        load(f);
    }
    return f;
}

void IniFileStore::load(File& f) {
    QFile file(f.path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        f.unreadable = file.errorString();
        return;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError() || bytes.contains('\0')) {
        f.unparsable = Text(Res::NotATextFile);
        return;
    }
    QString section = QStringLiteral("General"); // where keys before any header belong
    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (n == lines.size() - 1 && line.isEmpty())
            break; // the file's last line break
        const QString t = line.trimmed();
        Line kept{line, section, QString()};
        if (t.startsWith(u'[') && t.endsWith(u']')) {
            section = t.mid(1, t.size() - 2);
            kept.section = section;
        } else if (!t.isEmpty() && !t.startsWith(u';') && !t.startsWith(u'#')) {
            const qsizetype eq = t.indexOf(u'=');
            const auto value = eq > 0 ? DecodeIniValue(t.mid(eq + 1)) : std::nullopt;
            if (!value) {
                if (f.unparsable.isEmpty())
                    f.unparsable = Text(Res::NotASettingLine).arg(n + 1);
                continue; // kept aside with the whole file, not carried into a new one
            }
            kept.key = t.left(eq).trimmed();
            f.values[{section, kept.key}] = *value;
        }
        f.lines.push_back(kept);
    }
}

QString IniFileStore::read(const QString& app, const QString& section, const QString& key,
                           const QString& defaultValue) {
    const File& f = fileOf(app);
    const auto it = f.values.find({section, key});
    return it == f.values.end() ? defaultValue : it->second;
}

void IniFileStore::setAside(File& f) {
    QString aside = f.path + QStringLiteral(".unreadable");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = f.path + QStringLiteral(".unreadable-%1").arg(n);
    if (!QFile::rename(f.path, aside))
        throw SettingsError(f.path, Text(Res::SettingsNotStored).arg(f.path, Text(Res::CannotSetAside)));
    notice_ = Text(Res::SettingsSetAside).arg(f.path, f.unparsable, aside);
    f.unparsable.clear();
}

void IniFileStore::save(File& f) {
    if (!QDir().mkpath(QFileInfo(f.path).path()))
        throw SettingsError(f.path, Text(Res::SettingsNotStored).arg(f.path, Text(Res::NoFolder)));
    QByteArray text;
    for (const Line& line : f.lines) {
        const QString written =
            line.written ? line.key + u'=' + EncodeIniValue(f.values.at({line.section, line.key})) : line.text;
        text += written.toUtf8() + '\n';
    }
    QSaveFile out(f.path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        throw SettingsError(f.path, Text(Res::SettingsNotStored).arg(f.path, out.errorString()));
}

void IniFileStore::write(const QString& app, const QString& section, const QString& key, const QString& text) {
    File& f = fileOf(app);
    if (!f.unreadable.isEmpty())
        throw SettingsError(f.path, Text(Res::SettingsNotStored).arg(f.path, f.unreadable));
    if (!f.unparsable.isEmpty())
        setAside(f);
    const bool known = f.values.count({section, key}) > 0;
    f.values[{section, key}] = text;
    if (!known) {
        // After the last setting of its section (or the section's header); a new section goes at the end.
        std::optional<size_t> after;
        for (size_t i = 0; i < f.lines.size(); ++i)
            if (f.lines[i].section == section &&
                (!f.lines[i].key.isEmpty() || f.lines[i].text.trimmed().startsWith(u'[')))
                after = i;
        if (!after) {
            f.lines.push_back({u'[' + section + u']', section, QString()});
            after = f.lines.size() - 1;
        }
        f.lines.insert(f.lines.begin() + static_cast<std::ptrdiff_t>(*after + 1), Line{QString(), section, key});
    }
    for (Line& line : f.lines)
        if (line.section == section && line.key == key)
            line.written = true;
    save(f);
}

QString IniFileStore::location(const QString& app) {
    return fileOf(app).path;
}

QString IniFileStore::takeNotice() {
    return std::exchange(notice_, QString());
}
