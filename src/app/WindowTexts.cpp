#include "app/WindowTexts.h"

#include <QStringList>
#include <algorithm>
#include <limits>

#include "app/Language.h"
#include "app/QtText.h"
#include "levels/ZoomTable.h"
#include "types/TypeList.h"

namespace stratex {

QString WindowTexts::ObjectCount(std::uint64_t count) {
    // The source texts are Russian, and a text without translation has one form only: Russian counts are
    // made here, other languages take the numerus forms of their translation.
    if (CurrentLanguage() == Language::Russian) {
        const std::uint64_t lastTwo = count % 100;
        const std::uint64_t last = count % 10;
        const char* word = (lastTwo >= 11 && lastTwo <= 14) ? "объектов"
                           : last == 1                      ? "объект"
                           : (last >= 2 && last <= 4)       ? "объекта"
                                                            : "объектов";
        return QString::number(count) + QLatin1Char(' ') + QString::fromUtf8(word);
    }
    // The form is chosen by an int; counts beyond it keep their last six digits, which decide the form.
    constexpr auto kIntMax = static_cast<std::uint64_t>(std::numeric_limits<int>::max());
    const int form = static_cast<int>(count <= kIntMax ? count : count % 1000000 + 1000000);
    return tr("%1 объектов", "a count of map objects", form).arg(count);
}

QString WindowTexts::LevelValue(std::string_view value) {
    if (CurrentLanguage() != Language::English) return DecodeCp1251(value);
    constexpr std::string_view kOpen = "bit (";
    for (int bits = 0; bits <= 28; ++bits) {
        const std::string_view zoom = ZoomText(bits);
        if (zoom.empty()) continue;
        // The zoom between its brackets, so that "<=30м" is not taken for the end of "<=30км".
        if (value.size() < kOpen.size() + zoom.size() + 1 || value.back() != ')') continue;
        const std::size_t zoomAt = value.size() - zoom.size() - 1;
        if (value.substr(zoomAt - kOpen.size(), kOpen.size()) != kOpen || value.substr(zoomAt, zoom.size()) != zoom) {
            continue;
        }
        QString english = DecodeCp1251(zoom);
        english.replace(QStringLiteral("км"), QStringLiteral(" km"))
            .replace(QStringLiteral("м"), QStringLiteral(" m"))
            .replace(QLatin1Char(','), QLatin1Char('.'));
        return DecodeCp1251(value.substr(0, zoomAt)) + english + QLatin1Char(')');
    }
    return DecodeCp1251(value);
}

QString WindowTexts::TypeFiguresTip(const TypeFigures* figures) {
    if (figures == nullptr || figures->objects == 0) return tr("нет объектов на карте");
    QStringList levels;
    for (const auto& [level, objects] : figures->endLevels) {
        levels << QStringLiteral("%1 (%2)").arg(DecodeCp1251(level)).arg(objects);
    }
    if (figures->withoutEndLevel > 0) {
        levels << QStringLiteral("%1 (%2)").arg(tr("нет", "no EndLevel line")).arg(figures->withoutEndLevel);
    }
    return tr("%1, EndLevel %2").arg(ObjectCount(figures->objects), levels.join(QStringLiteral(", ")));
}

namespace {

// lines cut to at most max, the rest counted in a last line.
QStringList AtMost(QStringList lines, int max) {
    if (max < 2 || lines.size() <= max) return lines;
    const qsizetype rest = lines.size() - (max - 1);
    lines.resize(max - 1);
    lines << WindowTexts::tr("… и ещё %1").arg(rest);
    return lines;
}

QString FileNameOf(const std::filesystem::path& path) { return QString::fromStdU16String(path.filename().u16string()); }

}  // namespace

QString WindowTexts::TileLevelsTip(const SetType& type, const std::vector<Tile>& tiles) {
    constexpr int kMapLines = 12;
    QStringList lines;
    for (std::size_t t = 0; t < type.tiles.size() && t < tiles.size(); ++t) {
        if (!type.tiles[t]) continue;
        lines << tr("%1: уровень %2, %3")
                     .arg(FileNameOf(tiles[t].path), DecodeCp1251(type.tiles[t]->level),
                          ObjectCount(type.tiles[t]->objects));
    }
    lines = AtMost(lines, kMapLines);
    if (type.TilesDisagree()) lines.prepend(tr("Карты набора дают типу разные уровни"));
    return lines.join(QLatin1Char('\n'));
}

QString WindowTexts::SetProcessTip(const std::vector<MapDocument::TileOutcome>& outcomes, int maxLines) {
    QStringList lines;
    for (const MapDocument::TileOutcome& outcome : outcomes) {
        const QString name = FileNameOf(outcome.path);
        if (!outcome.failure.empty()) {
            lines << tr("%1: ошибка: %2").arg(name, QString::fromStdString(outcome.failure));
            continue;
        }
        const EndLevelCounts counts = outcome.summary.Total();
        QString line = tr("%1: EndLevel вставлено %2, заменено %3, без изменений %4")
                           .arg(name)
                           .arg(counts.inserted)
                           .arg(counts.replaced)
                           .arg(counts.unchanged);
        const ProcessWarnings& made = outcome.warnings;
        const std::uint64_t warned = made.dataAboveEndLevel.count + made.endLevelAtTop.count +
                                     made.endsInsideObject.count + made.endLevelTwice.count +
                                     made.endLevelOtherCase.count + made.endsInsideOpener.count +
                                     made.headerEndRemoved.count + made.dictionaryTakesMore.count;
        if (warned > 0) line += tr("; внимание: %1").arg(ObjectCount(warned));
        lines << line;
    }
    return AtMost(lines, maxLines).join(QLatin1Char('\n'));
}

QString WindowTexts::WarningsText(const ProcessWarnings& made, std::size_t levels) {
    QStringList lines;
    if (made.dataAboveEndLevel.count > 0) {
        lines << tr("Внимание: %1 с EndLevel ниже уровня своих координат (первый кончается в строке %2)")
                     .arg(ObjectCount(made.dataAboveEndLevel.count))
                     .arg(made.dataAboveEndLevel.firstLine);
    }
    if (made.endLevelAtTop.count > 0) {
        lines << tr("Внимание: %1 с EndLevel на верхнем уровне %2 или выше (первый кончается в строке %3)")
                     .arg(ObjectCount(made.endLevelAtTop.count))
                     .arg(levels > 0 ? levels - 1 : 0)
                     .arg(made.endLevelAtTop.firstLine);
    }
    if (made.endsInsideObject.count > 0) {
        lines << tr("Внимание: карта кончается внутри объекта, открытого в строке %1")
                     .arg(made.endsInsideObject.firstLine);
    }
    if (made.endLevelTwice.count > 0) {
        lines << tr("Внимание: второй EndLevel в объекте (строк: %1, первая %2); Process меняет только последний")
                     .arg(made.endLevelTwice.count)
                     .arg(made.endLevelTwice.firstLine);
    }
    if (made.endLevelOtherCase.count > 0) {
        lines << tr("Внимание: EndLevel в другом регистре (строк: %1, первая %2); Process добавляет EndLevel рядом")
                     .arg(made.endLevelOtherCase.count)
                     .arg(made.endLevelOtherCase.firstLine);
    }
    if (made.endsInsideOpener.count > 0) {
        lines << tr("Внимание: карта обрывается внутри строки начала объекта (строка %1)")
                     .arg(made.endsInsideOpener.firstLine);
    }
    if (made.headerEndRemoved.count > 0) {
        lines << tr("Внимание: новый заголовок уровней заменяет строку %1, которая завершает заголовок; в карте не "
                    "будет [END-IMG ID]")
                     .arg(made.headerEndRemoved.firstLine);
    }
    if (made.dictionaryTakesMore.count > 0) {
        lines << tr("Внимание: вместе с разделом словаря в строке %1 удаляются строки, которые к словарю не "
                    "относятся")
                     .arg(made.dictionaryTakesMore.firstLine);
    }
    return lines.join(QLatin1Char('\n'));
}

QString WindowTexts::ProcessTip(const ProcessSummary& summary, const ProcessWarnings& made, std::size_t levels,
                                int maxLines) {
    const auto countsText = [](const EndLevelCounts& counts) {
        return tr("вставлено %1, заменено %2, без изменений %3")
            .arg(counts.inserted)
            .arg(counts.replaced)
            .arg(counts.unchanged);
    };
    const QString kindNames[] = {tr("Точка"), tr("Полилиния"), tr("Полигон")};

    QStringList head;
    const QString warnings = WarningsText(made, levels);
    if (!warnings.isEmpty()) head << warnings.split(QLatin1Char('\n')) << QString();

    QStringList changed;
    std::size_t unchanged = 0;
    for (const auto& [key, counts] : summary.types()) {
        if (counts.inserted + counts.replaced == 0) {
            ++unchanged;
            continue;
        }
        changed << tr("%1 %2: уровень %3; %4")
                       .arg(kindNames[static_cast<std::size_t>(key.first)],
                            QString::fromStdString(NormalisedTypeCode(key.first, key.second)))
                       .arg(counts.level)
                       .arg(countsText(counts));
    }

    QStringList tail;
    if (unchanged > 0) tail << tr("Типов без изменений: %1").arg(unchanged);
    if (const auto& header = summary.header(); header && summary.LevelCountChanged()) {
        tail << tr("Число уровней: %1 -> %2").arg(DecodeCp1251(header->before)).arg(header->levels);
    }
    if (summary.dictionaryInserted() || summary.dictionariesRemoved() > 0) {
        tail << (!summary.dictionaryInserted()       ? tr("Словарь: удалён")
                 : summary.dictionariesRemoved() > 0 ? tr("Словарь: заменён")
                                                     : tr("Словарь: вставлен"));
    }
    tail << tr("Итого: %1").arg(countsText(summary.Total()));

    const qsizetype room = std::max<qsizetype>(1, maxLines - head.size() - tail.size());
    if (changed.size() > room) {
        const qsizetype shown = room - 1;
        const qsizetype more = changed.size() - shown;
        changed.erase(changed.begin() + shown, changed.end());
        changed << tr("… и ещё %1").arg(more);
    }
    return (head + changed + tail).join(QLatin1Char('\n'));
}

}  // namespace stratex
