// brevan._brevan: the public C++ API for Python. Every translation runs with
// the GIL released; translate_many runs them on native threads.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "brevan/brevan.h"
#include "brevan/report.h"

namespace py = pybind11;

namespace {

namespace fs = std::filesystem;

brevan::Options MakeOptions(std::optional<short> version, const std::string& encoding, bool partial,
                            bool check) {
  brevan::Options options;
  options.version = version;
  options.encoding = encoding;
  options.partial = partial;
  options.check = check;
  return options;
}

// One file of a batch: where its document went, and how its translation ended.
struct Outcome {
  std::string path;
  std::string output;  // empty when nothing was written
  std::string writeError;
  brevan::Result result;
};

// Writes text beside path under a temporary name, then renames it into
// place: a reader never sees half a document. False with the reason.
bool WriteWhole(const fs::path& path, const std::string& text, std::string& error) {
  const fs::path temporary = path.string() + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      error = "cannot write " + temporary.string();
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code renamed;
  fs::rename(temporary, path, renamed);
  if (!renamed) return true;
  error = "cannot write " + path.string() + ": " + renamed.message();
  fs::remove(temporary, renamed);
  return false;
}

// Each input to out_dir/NAME.xml; two inputs may not share a name.
std::vector<fs::path> OutputPaths(const std::vector<std::string>& paths, const fs::path& outDir) {
  std::vector<fs::path> outputs;
  std::set<fs::path> seen;
  for (const std::string& path : paths) {
    fs::path output = outDir / fs::path(path).stem();
    output += ".xml";
    if (!seen.insert(output).second)
      throw std::invalid_argument("two inputs would both be written to " + output.string());
    outputs.push_back(std::move(output));
  }
  return outputs;
}

std::vector<Outcome> TranslateMany(const std::vector<std::string>& paths, const std::string& outDir,
                                   unsigned jobs, const brevan::Options& options) {
  const std::vector<fs::path> outputs = OutputPaths(paths, outDir);
  std::error_code made;
  fs::create_directories(outDir, made);
  if (made) throw std::runtime_error("cannot make " + outDir + ": " + made.message());
  std::vector<Outcome> outcomes(paths.size());
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i; (i = next++) < paths.size();) {
      Outcome& outcome = outcomes[i];
      outcome.path = paths[i];
      outcome.result = brevan::TranslateFile(paths[i], options);
      if ((outcome.result.ok || options.partial) && !outcome.result.xml.empty() &&
          WriteWhole(outputs[i], outcome.result.xml, outcome.writeError))
        outcome.output = outputs[i].string();
      outcome.result.xml = std::string();  // written, not kept: a batch may be large
    }
  };
  jobs = std::max(1u, std::min<unsigned>(jobs, static_cast<unsigned>(paths.size())));
  std::vector<std::thread> workers;
  for (unsigned j = 1; j < jobs; ++j) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
  return outcomes;
}

}  // namespace

PYBIND11_MODULE(_brevan, m) {
  m.doc() = "The native part of brevan; use the functions of the brevan package.";

  py::class_<brevan::Diagnostic>(m, "Diagnostic", "An error or a warning, at its place in the text.")
      .def_readonly("number", &brevan::Diagnostic::number, "message number of an error; 0 for a warning")
      .def_readonly("line", &brevan::Diagnostic::line, "1-based line; 0 when not about a line")
      .def_readonly("column", &brevan::Diagnostic::column)
      .def_readonly("end_column", &brevan::Diagnostic::endColumn, "just past the culprit on its line")
      .def_readonly("message", &brevan::Diagnostic::message)
      .def_readonly("notes", &brevan::Diagnostic::notes, "facts that make the message actionable")
      .def_readonly("source_line", &brevan::Diagnostic::sourceLine)
      .def("__repr__", [](const brevan::Diagnostic& d) {
        return "<Diagnostic " + std::to_string(d.line) + ":" + std::to_string(d.column) + " " +
               (d.number ? std::to_string(d.number) + " " : std::string()) + d.message + ">";
      });

  py::class_<brevan::Skipped>(m, "Skipped", "A statement passed over because it is not translated.")
      .def_readonly("line", &brevan::Skipped::line)
      .def_readonly("column", &brevan::Skipped::column)
      .def_readonly("keyword", &brevan::Skipped::keyword, "its first word or words, as written")
      .def("__repr__", [](const brevan::Skipped& s) {
        return "<Skipped " + std::to_string(s.line) + ":" + std::to_string(s.column) + " " + s.keyword + ">";
      });

  py::class_<brevan::Result>(m, "NativeResult")
      .def_readonly("ok", &brevan::Result::ok)
      .def_readonly("error", &brevan::Result::error)
      .def_readonly("message", &brevan::Result::message)
      .def_readonly("line", &brevan::Result::line)
      .def_readonly("column", &brevan::Result::column)
      .def_readonly("end_column", &brevan::Result::endColumn)
      .def_readonly("notes", &brevan::Result::notes)
      .def_readonly("source_line", &brevan::Result::sourceLine)
      .def_readonly("xml", &brevan::Result::xml)
      .def_readonly("skipped", &brevan::Result::skipped)
      .def_readonly("warnings", &brevan::Result::warnings)
      .def_readonly("errors", &brevan::Result::errors);

  py::class_<Outcome>(m, "NativeOutcome")
      .def_readonly("path", &Outcome::path)
      .def_readonly("output", &Outcome::output)
      .def_readonly("write_error", &Outcome::writeError)
      .def_readonly("result", &Outcome::result);

  m.def(
      "translate_bytes",
      [](const py::bytes& data, std::optional<short> version, const std::string& encoding, bool partial,
         bool check) {
        std::string bytes = data;  // copied while the GIL is held
        const brevan::Options options = MakeOptions(version, encoding, partial, check);
        py::gil_scoped_release released;
        return brevan::TranslateBytes(bytes, options);
      },
      py::arg("data"), py::arg("version"), py::arg("encoding"), py::arg("partial"), py::arg("check"));

  m.def(
      "translate_file",
      [](const std::string& path, std::optional<short> version, const std::string& encoding, bool partial,
         bool check) {
        const brevan::Options options = MakeOptions(version, encoding, partial, check);
        py::gil_scoped_release released;
        return brevan::TranslateFile(path, options);
      },
      py::arg("path"), py::arg("version"), py::arg("encoding"), py::arg("partial"), py::arg("check"));

  m.def(
      "translate_many",
      [](const std::vector<std::string>& paths, const std::string& outDir, unsigned jobs,
         std::optional<short> version, const std::string& encoding, bool partial) {
        const brevan::Options options = MakeOptions(version, encoding, partial, false);
        py::gil_scoped_release released;
        return TranslateMany(paths, outDir, jobs, options);
      },
      py::arg("paths"), py::arg("out_dir"), py::arg("jobs"), py::arg("version"), py::arg("encoding"),
      py::arg("partial"));

  m.def(
      "render_html",
      [](const std::string& xml, const std::string& name) {
        py::gil_scoped_release released;
        return brevan::RenderHtml(std::string_view(xml), name);
      },
      py::arg("xml"), py::arg("name"));

  m.def("version", &brevan::Version, "The library's version, major.minor.patch.");
}
