// Source labels and component name that every message of the library carries.
#pragma once

inline constexpr const char* kComponent = "Base Services";
inline constexpr const char* kLabelService = "..\\..\\src\\vrbaseio";
inline constexpr const char* kLabelFile = "..\\..\\src\\vrbaseio_file";
inline constexpr const char* kLabelHadoop = "..\\..\\src\\vrbaseio_hadoop";
inline constexpr const char* kLabelText = "..\\..\\src\\vrbaseio_text";
inline constexpr const char* kLabelCompress = "..\\..\\src\\vrbaseio_compress";

// vrb_get_message with the call's line filled in.
#define VRB_MESSAGE(label, number, ...) vrb_get_message((label), __LINE__, kComponent, (number) __VA_OPT__(, ) __VA_ARGS__)
