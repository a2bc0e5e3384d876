#include "scanner/core/Form25SFields.h"

#include "scanner/core/TsScannerData.h"

namespace TsScanner {

namespace {

constexpr int32_t kScoreValues[4][5] = {
    {100, 90, 80, 70, 60},  // line 21, columns 8 to 12
    {50, 40, 30, 20, 10},   // line 22
    {9, 8, 7, 6, 5},        // line 23
    {4, 3, 2, 1, 0},        // line 24
};

// One digit or letter from a single-mark walk: first + offset, multiple for
// several marks, blank for none. Tells whether the walk saw any mark.
bool ReadChoice(int32_t offset, char first, char blank, char multiple, char& out)
{
    if (offset == -1) {
        out = blank;
        return false;
    }
    out = offset == -2 ? multiple : static_cast<char>(first + offset);
    return true;
}

}  // namespace

void Form25SFields::DecodeSheet(std::string_view scannerData)
{
    TsScannerData grid;
    grid.LoadFromText(scannerData, kColumns);

    // Student id: columns 2 to 11, lines 6 to 15 are the digits 0 to 9.
    std::string id(10, ' ');
    bool any = false;
    for (int32_t column = 2; column <= 11; ++column)
        any |= ReadChoice(grid.FindSingleMarkInColumn(column, 6, 15, 1), '0', ' ', '?', id[column - 2]);
    studentId_ = any ? id : std::string();

    // Quiz version: column 12, lines 6 to 15 are A to J; empty without a mark.
    char version = ' ';
    quizVersion_ = ReadChoice(grid.FindSingleMarkInColumn(12, 6, 15, 1), 'A', ' ', '?', version)
                       ? std::string(1, version)
                       : std::string();

    // Quiz id: lines 17 to 19, columns 3 to 12 are the digits 0 to 9.
    std::string quiz(3, ' ');
    any = false;
    for (int32_t line = 17; line <= 19; ++line)
        any |= ReadChoice(grid.FindSingleMarkOnLine(line, 3, 12, 1), '0', ' ', '?', quiz[line - 17]);
    quizId_ = any ? quiz : std::string();

    // Score: every marked bubble of lines 21 to 24, columns 8 to 12, counts.
    score_ = 0;
    for (int32_t column = 12; column >= 8; --column)
        for (int32_t line = 21; line <= 24; ++line)
            if (grid.GetMark(line, column))
                score_ += kScoreValues[line - 21][column - 8];

    // Answers: line 20 + k, columns 2 to 6 are A to E; all marked letters.
    for (int32_t k = 1; k <= kAnswerCount; ++k) {
        std::string letters;
        for (int32_t column = 2; column <= 6; ++column)
            if (grid.GetMark(20 + k, column))
                letters += static_cast<char>('A' + column - 2);
        answers_[static_cast<std::size_t>(k - 1)] = std::move(letters);
    }
}

const std::string& Form25SFields::Answer(int32_t index) const
{
    CheckListIndex(index, 1, kAnswerCount);
    return answers_[static_cast<std::size_t>(index - 1)];
}

void Form25SFields::SetAnswer(int32_t index, std::string value)
{
    CheckListIndex(index, 1, kAnswerCount);
    answers_[static_cast<std::size_t>(index - 1)] = std::move(value);
}

int32_t Form25SFields::LastCompletedAnswer() const
{
    for (int32_t k = kAnswerCount; k >= 1; --k)
        if (!answers_[static_cast<std::size_t>(k - 1)].empty())
            return k;
    return 0;
}

}  // namespace TsScanner
