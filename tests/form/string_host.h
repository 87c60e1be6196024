// A host that keeps the eleven field texts as strings, for driving the form without a window.
//
// Like real edit controls, a reporting host calls OnFieldUpdated for a written field before
// SetFieldText returns. Every call the form makes is recorded, with the nesting depth.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "varnitz/form.h"
#include "varnitz/materials.h"

namespace varnitz {

struct HostEvent {
    enum Kind { Length, Text, Set, Update } kind;
    FieldId field;
    std::string text;  // the text written, for Set
    int depth;         // 0 outside any nested update
    int capacity;      // the buffer offered, for Text
};

class StringHost : public FieldAccess {
public:
    explicit StringHost(bool reportsWrites = true) : reports_(reportsWrites) {
        for (int i = 0; i < kFieldCount; ++i) {
            const char* start = kFieldTable[i].startText;
            texts_[i] = start ? start : "";
        }
        texts_[MaterialList] = DielectricTable[kDefaultMaterialIndex].name;
    }

    void Attach(FormController* form) { form_ = form; }

    // The list's selected name; "" stands for no selection.
    std::string& Text(FieldId field) { return texts_[field]; }
    std::vector<HostEvent>& Events() { return events_; }

    // The user changed a field: its text is replaced and the field reports the update.
    void Type(FieldId field, const std::string& text) {
        texts_[field] = text;
        form_->OnFieldUpdated(field);
    }
    void Select(const std::string& name) {
        texts_[MaterialList] = name;
        form_->OnMaterialSelected();
    }

    int FieldTextLength(FieldId field) override {
        events_.push_back({HostEvent::Length, field, "", depth_, 0});
        return static_cast<int>(texts_[field].size());
    }
    void FieldText(FieldId field, char* buffer, int capacity) override {
        events_.push_back({HostEvent::Text, field, "", depth_, capacity});
        if (capacity <= 0) return;
        const std::string& text = texts_[field];
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
        text.copy(buffer, n);
        buffer[n] = '\0';
    }
    void SetFieldText(FieldId field, const char* text) override {
        events_.push_back({HostEvent::Set, field, text, depth_, 0});
        texts_[field] = text;
        if (reports_ && form_ != nullptr) {
            events_.push_back({HostEvent::Update, field, "", depth_ + 1, 0});
            ++depth_;
            form_->OnFieldUpdated(field);
            --depth_;
        }
    }

private:
    bool reports_;
    FormController* form_ = nullptr;
    std::string texts_[kFieldCount];
    std::vector<HostEvent> events_;
    int depth_ = 0;
};

}  // namespace varnitz
