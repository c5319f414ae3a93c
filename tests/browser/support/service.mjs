// ostravel-service and the workbench as child processes, for the browser tests and the page
// benchmark: the service on a temporary database and a free port of 127.0.0.1, the workbench
// running the plug-in against it from a scripted input.
import { spawn } from "node:child_process";
import http from "node:http";
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import readline from "node:readline";

export const repository = path.resolve(import.meta.dirname, "../../..");
export const buildDir = path.resolve(process.env.OSTRAVEL_BUILD_DIR || path.join(repository, "build/dev"));

// Where screenshots and figures go: build/dev/browser unless OSTRAVEL_BROWSER_OUT says.
export function outputDir() {
  const dir = path.resolve(process.env.OSTRAVEL_BROWSER_OUT || path.join(buildDir, "browser"));
  mkdirSync(dir, { recursive: true });
  return dir;
}

export function temporaryFolder() {
  return mkdtempSync(path.join(tmpdir(), "ostravel-browser-"));
}

export function removeFolder(folder) {
  rmSync(folder, { recursive: true, force: true });
}

const kReady = /^Ostravel service listening on (http:\/\/[^/]+\/) \(database (.*)\)$/;

// Starts `ostravel-service serve` (with more options `args` and more environment `env`, such as
// its time zone) and resolves once it has printed its ready line.
export function startService(folder, { args = [], env = {} } = {}) {
  const database = path.join(folder, "allegiance.sqlite");
  const child = spawn(path.join(buildDir, "service/ostravel-service"),
    ["serve", "--db", database, "--listen", "127.0.0.1:0", ...args],
    { stdio: ["ignore", "pipe", "pipe"], env: { ...process.env, ...env } });
  let errors = "";
  const log = [];
  child.stderr.on("data", (chunk) => { errors += chunk; });
  const exited = new Promise((resolve) => child.once("exit", (code, signal) => resolve(code ?? signal)));
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`ostravel-service did not get ready: ${errors}`)), 15000);
    exited.then((code) => reject(new Error(`ostravel-service ended (${code}) before it was ready: ${errors}`)));
    readline.createInterface({ input: child.stdout }).on("line", (line) => {
      const ready = kReady.exec(line);
      if (!ready || log.length > 0) {
        log.push(line);
        return;
      }
      log.push(line);
      clearTimeout(timer);
      resolve({
        url: ready[1],
        database,
        log: () => log.slice(1).join("\n"),
        errors: () => errors,
        // SIGTERM, then the exit code (0 when it stopped cleanly).
        stop: () => {
          child.kill("SIGTERM");
          return exited;
        },
      });
    });
  });
}

// Runs an admin command of ostravel-service ("role", "motd", ...) on the database.
export function adminCommand(database, args) {
  const child = spawn(path.join(buildDir, "service/ostravel-service"), [args[0], "--db", database, ...args.slice(1)],
    { stdio: ["ignore", "pipe", "pipe"] });
  let output = "";
  child.stdout.on("data", (chunk) => { output += chunk; });
  child.stderr.on("data", (chunk) => { output += chunk; });
  return new Promise((resolve, reject) => child.once("exit", (code) =>
    (code === 0 ? resolve(output) : reject(new Error(`ostravel-service ${args[0]}: ${output}`)))));
}

// The standard fields every post of the plug-in starts with.
export function standardFields(id, { fellowshipLeader = 0, wantsFellowship = false } = {}) {
  return [["CID", id], ["MID", 1342177281], ["Location", 2103705619], ["Localtime", "12/7/2026 1:00:00 AM"],
    ["FLID", fellowshipLeader], ["WantFellowship", wantsFellowship ? 1 : 0]];
}

// Posts a form as the plug-in does (from `localAddress`, any address of 127.0.0.0/8, so that a
// bulk load stays within the service's limit per address); resolves with status and text.
export function postForm(serviceUrl, script, fields, localAddress = "127.0.0.1") {
  const body = fields.map(([key, value]) => `${key}=${encodeURIComponent(String(value))}`).join("&");
  const url = new URL(script, serviceUrl);
  return new Promise((resolve, reject) => {
    const request = http.request(url, {
      method: "POST",
      localAddress,
      agent: false,
      headers: { "Content-Type": "application/x-www-form-urlencoded", "Content-Length": Buffer.byteLength(body) },
    }, (response) => {
      let text = "";
      response.setEncoding("latin1");
      response.on("data", (chunk) => { text += chunk; });
      response.on("end", () => resolve({ status: response.statusCode, text }));
    });
    request.on("error", reject);
    request.end(body);
  });
}

// A plug-in folder whose Ostravel.xml points at the service.
export function workbenchFolder(parent, serviceUrl) {
  const folder = path.join(parent, "plugin");
  mkdirSync(folder, { recursive: true });
  writeFileSync(path.join(folder, "Ostravel.xml"),
    `<?xml version="1.0"?>\n<ostravel>\n  <server url="${serviceUrl}"/>\n` +
    "  <chathelper savelines=\"20\"/>\n  <update/>\n  <irc/>\n</ostravel>\n");
  return folder;
}

// A character profile for the workbench: what the plug-in reads of a character.
export function characterProfile(folder, { id, name, level, className }) {
  const file = path.join(folder, `character-${id}.json`);
  const stats = { start: 10, current: 50 };
  writeFileSync(file, JSON.stringify({
    id, name, server: "Darktide", level, class: className, race: "Sho", gender: "Female",
    location: 2103705619,
    attributes: { 1: stats, 2: stats, 3: stats, 4: stats, 5: stats, 6: stats },
    vitals: { 1: 90, 2: 90, 3: 100, 4: 100, 5: 80, 6: 80 },
  }));
  return file;
}

// Runs the plug-in in the workbench on the scripted input (":login", "@mbr update", ...) as
// the sample character or the given profile; resolves with the chat lines it printed.
export function runWorkbench(folder, script, profile) {
  const transcript = path.join(folder, "transcript.jsonl");
  rmSync(transcript, { force: true });
  const args = ["run", "--folder", folder, "--transcript", transcript];
  if (profile) args.push("--character", profile);
  const child = spawn(path.join(buildDir, "app/ostravel"), args, { stdio: ["pipe", "pipe", "pipe"] });
  let output = "";
  child.stdout.on("data", (chunk) => { output += chunk; });
  child.stderr.on("data", (chunk) => { output += chunk; });
  child.stdin.end(`${script}:quit\n`);
  return new Promise((resolve, reject) => {
    child.once("exit", (code) => {
      if (code !== 0) {
        reject(new Error(`the workbench ended with ${code}: ${output}`));
        return;
      }
      const records = readFileSync(transcript, "utf8").split("\n").filter(Boolean).map((line) => JSON.parse(line));
      resolve(records.filter((record) => record.kind === "chat").map((record) => record.text));
    });
  });
}
