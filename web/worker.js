// The page's worker: runs the import in the WebAssembly module (whose script comes just
// before this one), a message a step, and hands the page its progress and the files written.
// Between steps it lets the page's messages in, so that Cancel is seen after the message in
// progress, as in the dialog.
'use strict';

let cancelled = false;
const channel = new MessageChannel();
let resume = null;
channel.port1.onmessage = () => {
  const go = resume;
  resume = null;
  if (go) go();
};
const pause = () => new Promise((go) => {
  resume = go;
  channel.port2.postMessage(0);
});

// A module instance of its own, holding `files` below `folder`: a new one for every job and
// after a trap, so that nothing of a project that broke the last one carries over.
async function freshModule(windows, folder, files) {
  const M = await ChpImportModule();
  M._chp_reset(windows ? 1 : 0);
  const separator = windows ? '\\' : '/';
  const base = folder.replace(/[\\/]+$/, '');
  for (const file of files) {
    const bytes = new Uint8Array(file.data);
    const at = M._malloc(Math.max(bytes.length, 1));
    M.HEAPU8.set(bytes, at);
    const path = base + separator + file.path.split('/').join(separator);
    const ok = M.ccall('chp_put', 'number', ['string', 'number', 'number'], [path, at, bytes.length]);
    M._free(at);
    if (!ok) throw new Error('the file ' + file.path + ' could not be held in memory');
  }
  return M;
}

function ask(M, name, types = [], args = []) {
  return JSON.parse(M.ccall(name, 'string', types, args));
}

// The written files' bytes, by their names in the zip.
function take(M, files) {
  return files.map((f) => {
    const at = M.ccall('chp_take', 'number', ['string'], [f.path]);
    const size = M._chp_taken_size();
    return { name: f.name, data: M.HEAPU8.slice(at, at + size) };
  });
}

function trapText(error) {
  const text = error && error.message ? error.message : String(error);
  return 'the import stopped inside the module (' + text + ')';
}

async function describe(job) {
  const M = await freshModule(false, '/project', job.files);
  const projects = ask(M, 'chp_projects', ['string'], ['/project']);
  for (const p of projects) {
    try {
      p.facts = ask(M, 'chp_describe', ['string'], [p.path]);
    } catch (error) {
      p.facts = { valid: false, failure: 'Invalid CHP file', reason: trapText(error) };
    }
  }
  postMessage({ type: 'described', projects, pick: job.pick });
}

async function runImport(job) {
  cancelled = false;
  const started = performance.now();
  let M = await freshModule(job.windows, job.folder, job.files);
  const projects = ask(M, 'chp_projects', ['string'], [job.folder]);
  const results = [];
  let outputs = [];
  for (let i = 0; i < projects.length; ++i) {
    const project = projects[i];
    const result = { relative: project.relative, chp: project.path };
    results.push(result);
    if (cancelled) {
      result.status = 'not_started';
      continue;
    }
    try {
      const start = ask(M, 'chp_start', ['string', 'number', 'string', 'string'],
                        [project.path, job.zuvan ? 1 : 0, project.outputFolder, job.folder]);
      if (!start.started) {
        Object.assign(result, { status: 'invalid', failure: start.failure,
                                reason: ask(M, 'chp_describe', ['string'], [project.path]).reason });
        outputs = outputs.concat(take(M, start.files));
        continue;
      }
      const count = start.messageCount;
      let answer = null;
      for (;;) {
        answer = ask(M, 'chp_step');
        postMessage({ type: 'progress', project: i + 1, projects: projects.length,
                      relative: project.relative, count, number: answer.number,
                      address: answer.address, wave: answer.wave || '' });
        if (answer.last) break;
        await pause();
        if (cancelled) {
          answer = { result: ask(M, 'chp_abort') };
          break;
        }
      }
      Object.assign(result, answer.result);
      outputs = outputs.concat(take(M, answer.result.files));
    } catch (error) {
      result.status = 'trap';
      result.failure = trapText(error);
      M = await freshModule(job.windows, job.folder, job.files);
    }
  }
  postMessage({ type: 'imported', results, outputs, cancelled,
                milliseconds: performance.now() - started },
              outputs.map((o) => o.data.buffer));
}

self.onmessage = async (event) => {
  const job = event.data;
  if (job.type === 'cancel') {
    cancelled = true;
    return;
  }
  try {
    if (job.type === 'describe') await describe(job);
    if (job.type === 'import') await runImport(job);
  } catch (error) {
    postMessage({ type: 'failed', failure: trapText(error) });
  }
};
