#include "core/TFilter.h"

#include <memory>
#include <utility>

#include "core/TFileMask.h"

namespace {

bool isBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

} // namespace

TFilter::TFilter(QString name, const QString& masksText)
    : Name(std::move(name))
    , Masks(SplitMasks(masksText))
{}

QString TFilter::masksText() const
{
    return Masks.join(QLatin1Char(';'));
}

QStringList TFilter::SplitMasks(const QString& masksText)
{
    const qsizetype nul = masksText.indexOf(QChar(0));
    const QString text = nul < 0 ? masksText : masksText.left(nul);
    const qsizetype n = text.size();
    QStringList masks;
    qsizetype p = 0;
    while (p < n && isBlank(text[p]))
        ++p;
    while (p < n) {
        const qsizetype start = p;
        while (p < n && text[p].unicode() > 32 && text[p] != QLatin1Char(';'))
            ++p;
        masks << text.mid(start, p - start);
        while (p < n && isBlank(text[p]))
            ++p;
        if (p < n && text[p] == QLatin1Char(';')) {
            if (p + 1 == n)
                masks << QString();
            do
                ++p;
            while (p < n && isBlank(text[p]));
        }
    }
    return masks;
}

int TFilter::selectMatching(const QStringList& names, std::vector<bool>& selected) const
{
    if (selected.size() < std::size_t(names.size()))
        selected.resize(std::size_t(names.size()), false);
    // Each mask is compiled when it is first tried, so a malformed one stops the
    // selection where it would have been used.
    std::vector<std::unique_ptr<TFileMask>> compiled(std::size_t(Masks.size()));
    int first = -1;
    for (qsizetype i = 0; i < names.size(); ++i) {
        for (qsizetype m = 0; m < Masks.size(); ++m) {
            auto& mask = compiled[std::size_t(m)];
            if (!mask)
                mask = std::make_unique<TFileMask>(Masks[m]);
            if (mask->Matches(names[i])) {
                if (!selected[std::size_t(i)] && first < 0)
                    first = int(i);
                selected[std::size_t(i)] = true;
            }
        }
    }
    return first;
}
