// The fixed 25-answer sheet: a 12-column layout read without a definition into
// student id, quiz id, quiz version, subjective score and 25 answers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace TsScanner {

class Form25SFields {
public:
    static constexpr int32_t kAnswerCount = 25;
    static constexpr int32_t kColumns = 12;

    // Decodes one sheet (always 12 columns). Fields are stored in decode order
    // (student id, version, quiz id, score, answers 1 to 25), so a failing cell
    // read leaves the fields before it new and the rest as they were.
    void DecodeSheet(std::string_view scannerData);

    const std::string& StudentId() const { return studentId_; }
    const std::string& QuizId() const { return quizId_; }
    const std::string& QuizVersion() const { return quizVersion_; }
    int32_t SubjectiveScore() const { return score_; }
    void SetStudentId(std::string value) { studentId_ = std::move(value); }
    void SetQuizId(std::string value) { quizId_ = std::move(value); }
    void SetQuizVersion(std::string value) { quizVersion_ = std::move(value); }
    void SetSubjectiveScore(int32_t value) { score_ = value; }

    // Answer index is 1 to 25; anything else throws the list-range message.
    const std::string& Answer(int32_t index) const;
    void SetAnswer(int32_t index, std::string value);
    // The highest index whose answer is not empty (blanks count), 0 for none.
    int32_t LastCompletedAnswer() const;

private:
    // The 25 slots exist from the start, empty, and the score starts at 0: a
    // form read or corrected before its first decode behaves like one decoded
    // from an unmarked sheet, and no slot access needs a decode first.
    std::string studentId_;
    std::string quizId_;
    std::string quizVersion_;
    int32_t score_ = 0;
    std::array<std::string, kAnswerCount> answers_;
};

}  // namespace TsScanner
