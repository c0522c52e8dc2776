#include "ui/languages/RichTextConvert.h"

#include "common/Platform.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <cmath>

namespace {

Qt::Alignment QtAlign(TRichAlign align)
{
    switch (align) {
    case TRichAlign::Center: return Qt::AlignHCenter;
    case TRichAlign::Right: return Qt::AlignRight;
    case TRichAlign::Justify: return Qt::AlignJustify;
    case TRichAlign::Left: break;
    }
    return Qt::AlignLeft;
}

TRichAlign RichAlign(Qt::Alignment align)
{
    Qt::Alignment h = align & Qt::AlignHorizontal_Mask;
    if (h & Qt::AlignHCenter)
        return TRichAlign::Center;
    if (h & Qt::AlignRight)
        return TRichAlign::Right;
    if (h & Qt::AlignJustify)
        return TRichAlign::Justify;
    return TRichAlign::Left;
}

QTextCharFormat QtFormat(const TRichRun& run)
{
    QTextCharFormat format;
    if (!run.FontName.empty())
        format.setFontFamilies({QString::fromStdString(run.FontName)});
    format.setFontPointSize(run.HalfPoints / 2.0);
    format.setFontWeight(run.Bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(run.Italic);
    format.setFontUnderline(run.Underline);
    return format;
}

} // namespace

void RichToQt(const TRichDocument& rich, QTextDocument& document)
{
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    QTextList* list = nullptr;
    for (size_t i = 0; i < rich.Paragraphs.size(); ++i) {
        const TRichParagraph& paragraph = rich.Paragraphs[i];
        QTextBlockFormat block;
        block.setAlignment(QtAlign(paragraph.Align));
        if (i == 0)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block, QTextCharFormat());
        if (paragraph.Bullet) {
            // Bullets in a row form one list, as the editor's toggle makes them.
            if (list)
                list->add(cursor.block());
            else
                list = cursor.createList(QTextListFormat::ListDisc);
        } else {
            list = nullptr;
        }
        for (const TRichRun& run : paragraph.Runs) {
            QString text = QString::fromStdString(run.Text);
            text.replace(QLatin1Char('\n'), QChar::LineSeparator);
            cursor.insertText(text, QtFormat(run));
        }
    }
    cursor.endEditBlock();
    document.setModified(false);
}

TRichDocument RichFromQt(const QTextDocument& document)
{
    TRichDocument rich;
    QFont fallback = document.defaultFont();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        TRichParagraph paragraph;
        paragraph.Align = RichAlign(block.blockFormat().alignment());
        paragraph.Bullet = block.textList() != nullptr;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QTextCharFormat format = fragment.charFormat();
            TRichRun run;
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
            run.Text = text.toStdString();
            QStringList families = format.fontFamilies().toStringList();
            run.FontName = (families.isEmpty() ? fallback.family() : families.first()).toStdString();
            double points = format.fontPointSize() > 0 ? format.fontPointSize() : fallback.pointSizeF();
            run.HalfPoints = std::clamp(int32_t(std::lround(points * 2)), MinHalfPoints, MaxHalfPoints);
            run.Bold = format.fontWeight() > QFont::Medium;
            run.Italic = format.fontItalic();
            run.Underline = format.fontUnderline();
            paragraph.Runs.push_back(run);
        }
        rich.Paragraphs.push_back(paragraph);
    }
    rich.Normalize();
    return rich;
}

void LoadLicence(const std::string& path, QTextDocument& document)
{
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    RichToQt(ReadRtf(std::string(bytes.begin(), bytes.end())), document);
}

void SaveLicence(const std::string& path, const QTextDocument& document)
{
    WriteFileAtomic(path, WriteRtf(RichFromQt(document)));
}
