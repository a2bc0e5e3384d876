// How the two list operations (GetCourseList, GetQuizList) fill a list
// without knowing its record class.
//
// The list being loaded implements RecordList; the operation empties it
// before the request is built and then, for each element of the reply,
// asks it to create one new record, fill it and append it:
//
//     list.AppendFilled([&](XmlStuff::XmlSerializer& record) { record.FromXmlNode(node); });
//
// A failure while filling leaves the new record out of the list and passes
// on; the records appended before it stay.
//
// PtrRecordList adapts any sequence of Ptr<Record> (std::vector<Ptr<Course>>,
// ...) whose Record derives from XmlStuff::XmlSerializer and is default
// constructible:
//
//     std::vector<Ptr<Tessaly::Course>> courses;
//     Tessaly::PtrRecordList<Tessaly::Course, std::vector<Ptr<Tessaly::Course>>> list(courses);
//     Tessaly::GetCourseList(user, list);
#pragma once

#include "common/Ptr.h"
#include "service/XmlStuff.h"

#include <functional>

namespace Tessaly {

class RecordList {
public:
    using Fill = std::function<void(XmlStuff::XmlSerializer& record)>;

    // Removes every record.
    virtual void Clear() = 0;
    // Creates a new record, runs fill on it and, when fill returns, appends it.
    virtual void AppendFilled(const Fill& fill) = 0;

protected:
    ~RecordList() = default;
};

template <typename Record, typename Sequence>
class PtrRecordList final : public RecordList {
public:
    explicit PtrRecordList(Sequence& records) : records_(records) {}

    void Clear() override { records_.clear(); }
    void AppendFilled(const Fill& fill) override
    {
        Ptr<Record> record(new Record());
        fill(*record);
        records_.push_back(std::move(record));
    }

private:
    Sequence& records_;
};

} // namespace Tessaly
