#include "reading_suggestion.h"

#include "kana.h"

#include <QStringList>

#include <mecab.h>

#include <memory>
#include <mutex>

namespace velta {
namespace {

bool isLatin(QChar c) {
    return c.unicode() < 0x250 && (c.isLetter() || c == QLatin1Char('\'') ||
                                   c == QLatin1Char('-') || c == QLatin1Char('.'));
}

bool all(const QString& text, bool (*test)(QChar)) {
    for (QChar c : text)
        if (!test(c))
            return false;
    return !text.isEmpty();
}

// One tagger for the process: the dictionary is loaded once, on the first name that needs it.
class Tagger {
public:
    static Tagger& instance() {
        static Tagger tagger;
        return tagger;
    }
    // The readings of the parts of `text`, each with the surface it reads; an empty reading
    // where the dictionary has none.
    QList<std::pair<QString, QString>> readings(const QString& text) {
        QList<std::pair<QString, QString>> parts;
        const std::lock_guard lock(mutex_);
        if (!tagger_)
            return {{text, QString()}};
        const QByteArray bytes = text.toUtf8();
        for (const mecab_node_t* node = mecab_sparse_tonode2(tagger_.get(), bytes.constData(),
                                                             static_cast<size_t>(bytes.size()));
             node; node = node->next) {
            if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE)
                continue;
            const QString surface = QString::fromUtf8(node->surface, node->length);
            // Features: part of speech (4), conjugation (2), base form, reading, pronunciation.
            const QStringList features = QString::fromUtf8(node->feature).split(QLatin1Char(','));
            const QString reading = features.value(7);
            parts.append({surface, reading == QLatin1String("*") ? QString() : reading});
        }
        return parts;
    }

private:
    Tagger() : tagger_(mecab_new2(""), mecab_destroy) {}
    std::mutex mutex_;
    std::unique_ptr<mecab_t, void (*)(mecab_t*)> tagger_;
};

SuggestedReading readName(const QString& name) {
    SuggestedReading result{QString(), true, QString()};
    const QString text = name.normalized(QString::NormalizationForm_KC).simplified();
    if (text.isEmpty() || isAllKana(QString(text).remove(QLatin1Char(' '))) ||
        all(QString(text).remove(QLatin1Char(' ')), isLatin)) {
        result.reading = toFullWidthKatakana(text);
        return result;
    }
    for (const auto& [surface, reading] : Tagger::instance().readings(text)) {
        if (!reading.isEmpty()) {
            result.reading += reading;
        } else if (isAllKana(surface) || all(surface, isLatin)) {
            result.reading += toFullWidthKatakana(surface);
        } else {
            result.reading += surface;
            result.unread += surface;
            result.complete = false;
        }
    }
    return result;
}

} // namespace

SuggestedReading suggestReading(const QString& surname, const QString& givenName) {
    const SuggestedReading family = readName(surname);
    const SuggestedReading given = readName(givenName);
    const bool latin = all(QString(surname + givenName).remove(QLatin1Char(' ')), isLatin);
    QString reading = family.reading;
    if (!given.reading.isEmpty())
        reading += (latin && !reading.isEmpty() ? QStringLiteral(" ") : QString()) + given.reading;
    return {reading, family.complete && given.complete, family.unread + given.unread};
}

} // namespace velta
