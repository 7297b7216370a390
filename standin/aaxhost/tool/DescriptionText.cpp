#include "standin/aaxhost/tool/DescriptionText.h"

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

#include <cstdio>
#include <sstream>

namespace aaxhost
{
namespace
{
std::string Hex(uint32_t value)
{
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", value);
  return text;
}

const char* PropertyName(int32_t id)
{
  switch (id)
  {
    case 11: return "manufacturer";
    case 12: return "product";
    case 13: return "native type";
    case 14: return "AudioSuite type";
    case 15: return "TI type";
    case 51: return "input stem";
    case 52: return "output stem";
    case 54: return "buffer length";
    case 56: return "latency";
    case 60: return "can bypass";
    case 90: return "hybrid output stem";
    case 91: return "hybrid input stem";
    case 116: return "side-chain stem";
    case 151: return "host-generated GUI";
    case 300: return "client GUI";
    case 304: return "multi-mono";
    case 306: return "uses transport";
    default: return "";
  }
}

std::string PropertyValue(int32_t id, int32_t value)
{
  switch (id)
  {
    case 11: case 12: case 13: case 14: case 15:
      return FourCCText(static_cast<uint32_t>(value));
    case 51: case 52: case 90: case 91:
      return StemFormatText(value);
    default:
      return std::to_string(value);
  }
}

const char* NodeTypeName(int64_t type)
{
  switch (type)
  {
    case AAX_eMIDINodeType_LocalInput: return "input";
    case AAX_eMIDINodeType_LocalOutput: return "output";
    case AAX_eMIDINodeType_Global: return "global";
    case AAX_eMIDINodeType_Transport: return "transport";
    default: return "unknown";
  }
}

std::string FieldText(const FieldRecord& field)
{
  std::ostringstream out;
  if (field.kind == "AuxOutputStem")
  {
    out << "aux output stem \"" << field.name << "\" " << StemFormatText(static_cast<int32_t>(field.a));
    return out.str();
  }
  out << "field " << field.index << ": ";
  if (field.kind == "AudioIn")
    out << "audio input";
  else if (field.kind == "AudioOut")
    out << "audio output";
  else if (field.kind == "AudioBufferLength")
    out << "buffer length";
  else if (field.kind == "SampleRate")
    out << "sample rate";
  else if (field.kind == "Clock")
    out << "clock";
  else if (field.kind == "SideChainIn")
    out << "side-chain input";
  else if (field.kind == "PrivateData")
    out << "data, " << field.a << " bytes, options " << field.b;
  else if (field.kind == "DataInPort")
    out << "posted data, " << field.a << " bytes, buffering " << field.b;
  else if (field.kind == "TemporaryData")
    out << "temporary data, " << field.a << " bytes";
  else if (field.kind == "MIDINode")
    out << NodeTypeName(field.a) << " MIDI node \"" << field.name << "\", mask " << Hex(static_cast<uint32_t>(field.b));
  else if (field.kind == "Meters")
    out << "meters, " << field.a;
  else
    out << field.kind << " " << field.a << " " << field.b;
  return out.str();
}

const char* ProcKindName(int32_t kind)
{
  switch (kind)
  {
    case AAX_eProcPtrID_Create_EffectParameters: return "instance factory";
    case AAX_eProcPtrID_Create_EffectGUI: return "GUI factory";
    default: return "procedure";
  }
}
} // namespace

std::string FourCCText(uint32_t code)
{
  char chars[4] = {static_cast<char>(code >> 24), static_cast<char>(code >> 16), static_cast<char>(code >> 8),
                   static_cast<char>(code)};
  for (char c : chars)
    if (c < 0x20 || c > 0x7e)
      return Hex(code);
  return std::string("'") + std::string(chars, 4) + "' (" + Hex(code) + ")";
}

std::string StemFormatText(int32_t stemFormat)
{
  if (stemFormat == AAX_eStemFormat_None)
    return "none";
  if (stemFormat == AAX_eStemFormat_Any)
    return "any";
  const int channels = AAX_StemFormatChannelCount(stemFormat);
  return Hex(static_cast<uint32_t>(stemFormat)) + " (" + std::to_string(channels) +
         (channels == 1 ? " channel)" : " channels)");
}

std::string DescriptionText(const Collection& collection)
{
  std::ostringstream out;
  out << "manufacturer: \"" << collection.ManufacturerName() << "\"\n";
  out << "package names:";
  for (const std::string& name : collection.PackageNames())
    out << " \"" << name << "\"";
  out << "\n";
  const uint32_t version = collection.PackageVersion();
  out << "package version: " << Hex(version) << " (" << (version >> 16) << "." << ((version >> 8) & 0xff) << "."
      << (version & 0xff) << ")\n";
  out << "effects: " << collection.Effects().size() << "\n";
  for (const auto& [effectID, effect] : collection.Effects())
  {
    out << "\neffect \"" << effectID << "\"\n";
    out << "  names:";
    for (const std::string& name : effect->Names())
      out << " \"" << name << "\"";
    out << "\n  categories:";
    for (uint32_t category : effect->Categories())
      out << " " << category;
    out << "\n  procedures:\n";
    for (const ProcPtrRecord& proc : effect->ProcPtrs())
      out << "    kind " << proc.procID << ": " << ProcKindName(proc.procID) << (proc.proc ? "" : " (null)") << "\n";
    out << "  components: " << effect->Components().size() << "\n";
    int index = 0;
    for (const ComponentDescriptor* component : effect->Components())
    {
      out << "\n  component " << index++ << "\n";
      out << "    fields:\n";
      for (const FieldRecord& field : component->Fields())
        out << "      " << FieldText(field) << "\n";
      out << "    process procedures: " << component->ProcessProcs().size() << "\n";
      for (const ProcessProcRecord& proc : component->ProcessProcs())
      {
        out << "      " << (proc.tiDLL.empty() ? "native" : "TI \"" + proc.tiDLL + "\"")
            << (proc.proc || !proc.tiDLL.empty() ? "" : " (null procedure)") << (proc.init ? ", init" : "")
            << (proc.background ? ", background" : "") << "\n";
        out << "      properties:\n";
        for (const auto& [id, value] : proc.properties)
        {
          const char* name = PropertyName(id);
          out << "        " << id << (*name ? " " : "") << name << " = " << PropertyValue(id, value) << "\n";
        }
      }
    }
  }
  return out.str();
}

std::string ResultText(int32_t result)
{
  const char* meaning = "";
  switch (result)
  {
    case AAX_SUCCESS: meaning = "success"; break;
    case AAX_ERROR_INVALID_PARAMETER_ID: meaning = "no parameter has this identifier"; break;
    case AAX_ERROR_INVALID_STRING_CONVERSION: meaning = "the text does not convert to a value"; break;
    case AAX_ERROR_NULL_OBJECT: meaning = "an object the call needs is missing"; break;
    case AAX_ERROR_INVALID_CHUNK_INDEX: meaning = "there is no chunk at this index"; break;
    case AAX_ERROR_INVALID_CHUNK_ID: meaning = "the chunk identifier is not the plug-in's"; break;
    case AAX_ERROR_INCORRECT_CHUNK_SIZE: meaning = "the chunk's size does not fit the plug-in's state"; break;
    case AAX_ERROR_UNIMPLEMENTED: meaning = "the plug-in does not offer this operation"; break;
    case AAX_ERROR_INVALID_PARAMETER_INDEX: meaning = "no parameter has this index"; break;
    case AAX_ERROR_NOT_INITIALIZED: meaning = "the instance is not initialised"; break;
    case AAX_ERROR_MALFORMED_CHUNK: meaning = "the chunk holds data the plug-in cannot load"; break;
    case AAX_ERROR_SIGNED_INT_OVERFLOW: meaning = "a number is too large"; break;
    case AAX_ERROR_PROPERTY_UNDEFINED: meaning = "the property is not defined"; break;
    case AAX_ERROR_UNKNOWN_EXCEPTION: meaning = "the plug-in caught an unexpected exception"; break;
    case AAX_ERROR_INVALID_ARGUMENT: meaning = "an argument was refused"; break;
    case AAX_ERROR_NULL_ARGUMENT: meaning = "an argument the call needs is missing"; break;
    case AAX_ERROR_ARGUMENT_BUFFER_OVERFLOW: meaning = "a buffer is too small for the data"; break;
    default:
      if (result >= AAX_ERROR_PLUGIN_BEGIN && result <= AAX_ERROR_PLUGIN_END)
        meaning = "the plug-in's own error";
      else if (result != AAX_SUCCESS)
        meaning = "an error of the AAX layer";
      break;
  }
  return std::to_string(result) + " " + AAX_ResultName(result) + " (" + meaning + ")";
}
} // namespace aaxhost
