#include "configuration_xml.h"

#include <cstring>
#include <limits>

#include <expat.h>

namespace vrhadoop {
namespace {

std::string trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Element names arrive as "NAMESPACE|LOCAL" (or "LOCAL" without a namespace).
std::string_view localName(const XML_Char* name) {
    const char* bar = std::strrchr(name, '|');
    return bar ? bar + 1 : name;
}

bool inXInclude(const XML_Char* name) {
    static constexpr std::string_view kXInclude = "http://www.w3.org/2001/XInclude|";
    return std::string_view(name).substr(0, kXInclude.size()) == kXInclude;
}

// One pass of expat over one file. Invariant: depth_ counts the open
// elements; property_ is the <property> being read while depth_ >= 2 and
// inProperty_; text_ collects the character data of the <name>, <value> or
// <final> child open at depth 3 (field_ says which); failure_ is set once,
// and parsing stops there.
class ConfigurationXmlReader {
public:
    ConfigurationXmlReader(const std::string& fileName, std::vector<ConfigurationProperty>* properties)
        : fileName_(fileName), properties_(properties) {}

    bool read(std::string_view text, std::string* error) {
        XML_Parser parser = XML_ParserCreateNS(nullptr, '|');
        if (!parser) {
            *error = fileName_ + ": out of memory";
            return false;
        }
        parser_ = parser;
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &ConfigurationXmlReader::onStart, &ConfigurationXmlReader::onEnd);
        XML_SetCharacterDataHandler(parser, &ConfigurationXmlReader::onText);
        bool parsed = true;
        // Fed in pieces that fit expat's int lengths.
        constexpr std::size_t kPiece = 1 << 20;
        do {
            std::size_t length = text.size() < kPiece ? text.size() : kPiece;
            bool last = length == text.size();
            parsed = XML_Parse(parser, text.data(), static_cast<int>(length), last ? XML_TRUE : XML_FALSE) ==
                     XML_STATUS_OK;
            text.remove_prefix(length);
            if (last) break;
        } while (parsed);
        if (!parsed && failure_.empty()) {
            failure_ = at(XML_GetCurrentLineNumber(parser)) + XML_ErrorString(XML_GetErrorCode(parser));
        }
        XML_ParserFree(parser);
        if (failure_.empty()) return true;
        *error = failure_;
        return false;
    }

private:
    enum class Field { None, Name, Value, Final };

    std::string at(unsigned long line) const { return fileName_ + ":" + std::to_string(line) + ": "; }

    void fail(std::string reason) {
        if (failure_.empty()) failure_ = at(XML_GetCurrentLineNumber(parser_)) + reason;
        XML_StopParser(parser_, XML_FALSE);
    }

    void start(const XML_Char* element, const XML_Char** attributes) {
        ++depth_;
        std::string_view local = localName(element);
        if (inXInclude(element) || local == "include") {
            fail("XInclude (<" + std::string(local) +
                 ">) is not followed: copy the included properties into this file");
            return;
        }
        if (depth_ == 1) {
            if (local != "configuration") fail("the root element is <" + std::string(local) + ">, not <configuration>");
            return;
        }
        if (depth_ == 2 && local == "property") {
            inProperty_ = true;
            property_ = ConfigurationProperty();
            property_.line = static_cast<long>(XML_GetCurrentLineNumber(parser_));
            for (const XML_Char** attribute = attributes; attribute[0]; attribute += 2) {
                std::string_view name = attribute[0];
                if (name == "name") property_.name = trimmed(attribute[1]);
                if (name == "value") {
                    property_.value = attribute[1];
                    property_.hasValue = true;
                }
                if (name == "final") property_.final = trimmed(attribute[1]) == "true";
            }
            return;
        }
        if (depth_ == 3 && inProperty_) {
            field_ = local == "name" ? Field::Name : local == "value" ? Field::Value
                   : local == "final" ? Field::Final : Field::None;
            text_.clear();
        }
    }

    void end() {
        if (depth_ == 3 && inProperty_ && field_ != Field::None) {
            if (field_ == Field::Name) property_.name = trimmed(text_);
            if (field_ == Field::Value) {
                property_.value = text_;
                property_.hasValue = true;
            }
            if (field_ == Field::Final) property_.final = trimmed(text_) == "true";
            field_ = Field::None;
        } else if (depth_ == 2 && inProperty_) {
            inProperty_ = false;
            if (!property_.name.empty()) properties_->push_back(std::move(property_));
        }
        --depth_;
    }

    static void XMLCALL onStart(void* self, const XML_Char* element, const XML_Char** attributes) {
        static_cast<ConfigurationXmlReader*>(self)->guard([&](ConfigurationXmlReader& reader) {
            reader.start(element, attributes);
        });
    }
    static void XMLCALL onEnd(void* self, const XML_Char*) {
        static_cast<ConfigurationXmlReader*>(self)->guard([](ConfigurationXmlReader& reader) { reader.end(); });
    }
    static void XMLCALL onText(void* self, const XML_Char* text, int length) {
        static_cast<ConfigurationXmlReader*>(self)->guard([&](ConfigurationXmlReader& reader) {
            if (reader.field_ != Field::None) reader.text_.append(text, static_cast<std::size_t>(length));
        });
    }

    // No exception may unwind through expat's C frames.
    template <typename Body>
    void guard(Body&& body) {
        if (!failure_.empty()) return;
        try {
            body(*this);
        } catch (...) {
            fail("out of memory");
        }
    }

    const std::string& fileName_;
    std::vector<ConfigurationProperty>* properties_;
    XML_Parser parser_ = nullptr;
    int depth_ = 0;
    bool inProperty_ = false;
    ConfigurationProperty property_;
    Field field_ = Field::None;
    std::string text_;
    std::string failure_;
};

}  // namespace

bool readConfigurationXml(std::string_view text, const std::string& fileName,
                          std::vector<ConfigurationProperty>* properties, std::string* error) {
    ConfigurationXmlReader reader(fileName, properties);
    return reader.read(text, error);
}

}  // namespace vrhadoop
