#pragma once

#include <QString>
#include <cstdint>
#include <map>

#include "toolkit/common/failure.h"

namespace toolkit {

// Controls of one kind that share a name and one set of handlers, picked by index: Picture2(1).
template <class Control>
class ControlArray {
  public:
    explicit ControlArray(const char* name) : name_(name) {}

    void add(std::int16_t index, Control* control) { elements_[index] = control; }

    Control& operator()(std::int16_t index) const {
        const auto found = elements_.find(index);
        if (found == elements_.end())
            throw Failure(QStringLiteral("El control %1(%2) no existe").arg(name_).arg(index));
        return *found->second;
    }

  private:
    const char* name_;
    std::map<std::int16_t, Control*> elements_;
};

}  // namespace toolkit
