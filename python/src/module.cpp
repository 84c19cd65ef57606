// brevan._brevan: the public C++ API for Python. Every translation runs with
// the GIL released; translate_many runs them on native threads.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "brevan/batch.h"
#include "brevan/brevan.h"
#include "brevan/inventory.h"
#include "brevan/report.h"

namespace py = pybind11;

namespace {

// A batch into out_dir/NAME.xml; the folder is made first. A batch that
// must not start (an output that is an input, two inputs of one name)
// raises ValueError, a folder that cannot be made OSError.
// Returns the outcomes and, when a signal handler raised (Ctrl-C:
// KeyboardInterrupt), that exception: the batch was cancelled then, and the
// outcomes are those of the files that ended.
std::pair<std::vector<brevan::Outcome>, py::object> TranslateMany(const std::vector<std::string>& paths,
                                                                  const std::string& outDir, unsigned jobs,
                                                                  const brevan::Options& options,
                                                                  bool recursive,
                                                                  brevan::BatchOptions::Redo redo,
                                                                  std::vector<std::string>& problems) {
  std::string error;
  // Folders are walked as the tool walks them; each workspace keeps its
  // place below the folder it was found in, files named directly below
  // their common folder.
  const std::vector<brevan::FoundWorkspace> found =
      brevan::FindWorkspaces(paths, recursive, "", problems, true);
  const std::vector<brevan::Job> planned = brevan::PlanTree(found, outDir, "", error);
  if (!error.empty()) throw py::value_error(error);
  if (!brevan::MakeFolder(outDir, error)) {
    PyErr_SetString(PyExc_OSError, error.c_str());
    throw py::error_already_set();
  }
  std::atomic<bool> stop{false};
  brevan::BatchOptions batch;
  batch.options = options;
  batch.jobs = jobs;
  batch.outDir = outDir;  // locked, with a manifest: only what changed, as the tool
  batch.redo = redo;
  batch.cancelled = [&stop] { return stop.load(); };
  brevan::Batch done;
  py::object raised = py::none();
  {
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    std::thread worker([&] {
      done = brevan::TranslateMany(planned, batch);
      const std::lock_guard<std::mutex> lock(mutex);
      finished = true;
      ended.notify_one();
    });
    // Python runs signal handlers only on its main thread with the GIL
    // held: this thread looks for them five times a second while the batch
    // runs without the GIL, and cancels the batch when one raised.
    for (;;) {
      {
        py::gil_scoped_release released;
        std::unique_lock<std::mutex> lock(mutex);
        if (ended.wait_for(lock, std::chrono::milliseconds(200), [&] { return finished; })) break;
      }
      if (PyErr_CheckSignals() != 0) {
        py::error_already_set signal;                   // takes the exception the handler raised
        if (raised.is_none()) raised = signal.value();  // a second Ctrl-C changes nothing
        stop = true;
      }
    }
    py::gil_scoped_release released;
    worker.join();
  }
  if (!done.error.empty()) throw py::value_error(done.error);
  std::vector<brevan::Outcome> outcomes;
  for (brevan::Outcome& outcome : done.outcomes)
    if (raised.is_none() || outcome.status != brevan::Status::NotDone) outcomes.push_back(std::move(outcome));
  return {std::move(outcomes), raised};
}

}  // namespace

void BindWorkspace(py::module_& m);

PYBIND11_MODULE(_brevan, m) {
  m.doc() = "The native part of brevan; use the functions of the brevan package.";

  py::class_<brevan::Options>(m, "Options", "How a workspace is read; the package's keywords fill it.")
      .def(py::init<>())
      // Checked by the package (an int from 0 to 32767) before it gets here.
      .def_property(
          "version",
          [](const brevan::Options& options) -> std::optional<short> {
            if (!options.version) return std::nullopt;
            return options.version->Number();
          },
          [](brevan::Options& options, std::optional<long> number) {
            options.version.reset();
            if (!number) return;
            options.version = brevan::FormatVersion::FromNumber(*number);
            if (!options.version) throw py::value_error("version must be from 0 to 32767");
          })
      .def_readwrite("encoding", &brevan::Options::encoding)
      .def_readwrite("partial", &brevan::Options::partial)
      .def_readwrite("check", &brevan::Options::check)
      .def_readwrite("check_files", &brevan::Options::checkFiles)
      .def_readwrite("folder", &brevan::Options::folder)
      .def_readwrite("data_roots", &brevan::Options::dataRoots)
      .def_readwrite("ignore", &brevan::Options::ignore)
      .def_property(
          "rewrite_paths",
          [](const brevan::Options& options) {
            std::vector<std::pair<std::string, std::string>> rules;
            for (const brevan::PathRewrite& rule : options.rewritePaths)
              rules.emplace_back(rule.from, rule.to);
            return rules;
          },
          [](brevan::Options& options, const std::vector<std::pair<std::string, std::string>>& rules) {
            options.rewritePaths.clear();
            for (const auto& [from, to] : rules) {
              if (from.empty())
                throw py::value_error("a path rewrite needs the start of the path to replace");
              options.rewritePaths.push_back({from, to});
            }
          });

  py::enum_<brevan::Severity>(m, "Severity", "How much a diagnostic matters.")
      .value("ERROR", brevan::Severity::Error)
      .value("WARNING", brevan::Severity::Warning)
      .value("REMARK", brevan::Severity::Remark);

  py::class_<brevan::Diagnostic>(m, "Diagnostic",
                                 "An error, a warning or a remark, at its place in the text.")
      .def_readonly("severity", &brevan::Diagnostic::severity)
      .def_readonly("number", &brevan::Diagnostic::number, "message number of an error; 0 otherwise")
      .def_readonly(
          "code", &brevan::Diagnostic::code,
          "stable code of a warning's or remark's kind (\"clause-not-written\"); empty for an error")
      .def_readonly("line", &brevan::Diagnostic::line, "1-based line; 0 when not about a line")
      .def_readonly("column", &brevan::Diagnostic::column)
      .def_readonly("end_column", &brevan::Diagnostic::endColumn, "just past the culprit on its line")
      .def_readonly("message", &brevan::Diagnostic::message)
      .def_readonly("notes", &brevan::Diagnostic::notes, "facts that make the message actionable")
      .def_readonly("source_line", &brevan::Diagnostic::sourceLine)
      .def("__repr__", [](const brevan::Diagnostic& d) {
        constexpr const char* kSeverities[] = {"error", "warning", "remark"};
        return "<Diagnostic " + std::to_string(d.line) + ":" + std::to_string(d.column) + " " +
               kSeverities[static_cast<int>(d.severity)] + " " +
               (d.number ? std::to_string(d.number) + " " : std::string()) + d.message +
               (d.code.empty() ? std::string() : " [" + d.code + "]") + ">";
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
      .def_readonly("system_error", &brevan::Result::systemError)
      .def_readonly("message", &brevan::Result::message)
      .def_readonly("line", &brevan::Result::line)
      .def_readonly("column", &brevan::Result::column)
      .def_readonly("end_column", &brevan::Result::endColumn)
      .def_readonly("notes", &brevan::Result::notes)
      .def_readonly("source_line", &brevan::Result::sourceLine)
      .def_readonly("xml", &brevan::Result::xml)
      .def_readonly("skipped", &brevan::Result::skipped)
      .def_readonly("warnings", &brevan::Result::warnings)
      .def_readonly("errors", &brevan::Result::errors)
      .def_readonly("diagnostics", &brevan::Result::diagnostics)
      .def_readonly("missing_files", &brevan::Result::missingFiles)
      .def_readonly("encoding", &brevan::Result::encoding)
      .def_readonly("workspace", &brevan::Result::workspace);

  py::enum_<brevan::Status>(m, "Status", "How a file of a batch ended.")
      .value("TRANSLATED", brevan::Status::Translated)
      .value("TRANSLATED_WITH_WARNINGS", brevan::Status::TranslatedWithWarnings)
      .value("FAILED", brevan::Status::Failed)
      .value("NOT_DONE", brevan::Status::NotDone)
      .value("UP_TO_DATE", brevan::Status::UpToDate);

  py::class_<brevan::Outcome>(m, "NativeOutcome")
      // Bytes: a file name need not be UTF-8 (the package decodes it as os does).
      .def_property_readonly("path", [](const brevan::Outcome& o) { return py::bytes(o.job.input); })
      .def_property_readonly("output", [](const brevan::Outcome& o) { return py::bytes(o.job.output); })
      .def_readonly("index", &brevan::Outcome::index)
      .def_readonly("status", &brevan::Outcome::status)
      .def_readonly("written", &brevan::Outcome::written)
      .def_readonly("write_error", &brevan::Outcome::writeError)
      .def_readonly("why", &brevan::Outcome::why)
      .def_property_readonly("failed_earlier", [](const brevan::Outcome& o) { return o.facts.failed; })
      .def_property_readonly("encoding", [](const brevan::Outcome& o) { return o.facts.encoding; })
      .def_readonly("result", &brevan::Outcome::result);

  m.def(
      "translate_bytes",
      [](const py::bytes& data, const brevan::Options& options) {
        std::string bytes = data;  // copied while the GIL is held
        py::gil_scoped_release released;
        return brevan::TranslateBytes(bytes, options);
      },
      py::arg("data"), py::arg("options"));

  m.def(
      "translate_file",
      [](const std::string& path, const brevan::Options& options) {
        py::gil_scoped_release released;
        return brevan::TranslateFile(path, options);
      },
      py::arg("path"), py::arg("options"));

  m.def(
      "translate_many",
      [](const std::vector<std::string>& paths, const std::string& outDir, unsigned jobs,
         const brevan::Options& options, bool recursive, const std::string& redo) {
        std::vector<std::string> problems;
        const auto rule = redo == "all"      ? brevan::BatchOptions::Redo::All
                          : redo == "failed" ? brevan::BatchOptions::Redo::Failed
                                             : brevan::BatchOptions::Redo::Changed;
        auto [outcomes, raised] = TranslateMany(paths, outDir, jobs, options, recursive, rule, problems);
        return py::make_tuple(std::move(outcomes), raised, problems);
      },
      py::arg("paths"), py::arg("out_dir"), py::arg("jobs"), py::arg("options"), py::arg("recursive"),
      py::arg("redo"));

  m.def(
      "inventory",
      [](const std::vector<std::string>& paths, bool recursive, unsigned jobs,
         const brevan::Options& options) {
        std::vector<std::string> problems;
        std::string document;
        {
          py::gil_scoped_release released;
          const std::vector<brevan::FoundWorkspace> found =
              brevan::FindWorkspaces(paths, recursive, "", problems, true);
          std::vector<std::string> files;
          for (const brevan::FoundWorkspace& workspace : found) files.push_back(workspace.path);
          brevan::InventoryOptions inventory;
          inventory.options = options;
          inventory.jobs = jobs;
          document = brevan::InventoryJson(brevan::TakeInventory(files, inventory), problems);
        }
        return py::make_tuple(document, problems);
      },
      py::arg("paths"), py::arg("recursive"), py::arg("jobs"), py::arg("options"));

  BindWorkspace(m);

  m.def(
      "render_html",
      [](const std::string& xml, const std::string& name) {
        py::gil_scoped_release released;
        return brevan::RenderHtml(std::string_view(xml), name);
      },
      py::arg("xml"), py::arg("name"));
  m.def(
      "render_result_html",
      [](const brevan::Result& result, const std::string& name) {
        py::gil_scoped_release released;
        return brevan::RenderHtml(result, name);
      },
      py::arg("result"), py::arg("name"));

  m.def("version", &brevan::Version, "The library's version, major.minor.patch.");
  m.def(
      "diagnostic_codes",
      [] {
        std::vector<std::string> codes;
        for (const brevan::DiagnosticKind& kind : brevan::DiagnosticKinds()) codes.push_back(kind.code);
        return codes;
      },
      "The codes of every kind of warning and remark.");
}
