// A "hadoop" URI (grammar in vrbclass/VrHadoopURI.h). The generic grammar
// splits and checks the text; this class adds what "hadoop" URIs mean.
#pragma once

#include "vrbclass/VrHadoopURI.h"

class VrbGenericURI;

class VrbHadoopURI final : public VrHadoopURI {
public:
    // Null when `text` has another scheme or memory is short. A text with
    // the scheme "hadoop" that breaks the URI grammar still gives an object,
    // which validate() refuses with the reason: such a text must never be
    // taken for a local path.
    static VrbHadoopURI* parse(const VrbString& text) noexcept;
    // The URI "hadoop://" + the encoded path; null for an empty path.
    static VrbHadoopURI* fromPath(const VrbString& path) noexcept;

    void release() override;
    VrbString scheme() const override;
    VrbString authority() const override;
    VrbString path() const override;
    VrbString inheritablePart() const override;
    VrbString query() const override;
    VrbString fragment() const override;
    VrbString text() const override;
    VrbString host() const override;
    int port() const override;
    VrbString userInfo() const override;
    bool queryValue(const char* key, VrbString* value) const override;
    bool isLocal() const override;
    bool bufferSize(int* size) const override;

    VrbString user() const override;
    VrbString delegationToken() const override;
    bool useSsl() const override;
    VrbString nameNodeBase() const override;
    bool validate(VrbString* error) const override;
    VrbString maskedText() const override;
    void reserved21() override;
    void reserved22() override;
    void reserved23() override;
    bool applyInheritedPart(VrbString* part, VrbString* error) override;

private:
    explicit VrbHadoopURI(VrbGenericURI* parsed) noexcept : parsed_(parsed) {}
    ~VrbHadoopURI();

    VrbGenericURI* parsed_;   // owned; never null; "hadoop:" for a text that breaks the grammar
    VrbString brokenText_;    // that text, as written
    const char* syntaxFault_ = nullptr;
    std::size_t faultAt_ = 0;
};
