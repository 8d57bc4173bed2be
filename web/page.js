// The page: takes the project's files as dropped or picked, shows what the dialog's Browse
// shows, runs the import in a worker and offers the files it wrote as one zip.
'use strict';

const $ = (id) => document.getElementById(id);
const state = { files: [], name: '', worker: null, running: false, stopTimer: 0,
                outputEdited: false, urls: [], picks: 0 };

function show(id, visible) {
  $(id).hidden = !visible;
}

function problem(id, text) {
  $(id).textContent = text || '';
  show(id, Boolean(text));
}

function startWorker() {
  const source = $('worker-source').textContent;
  state.worker = new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
  state.worker.onmessage = (event) => onWorkerMessage(event.data);
  state.worker.onerror = (event) => {
    event.preventDefault();
    endRun();
    problem('project-problem', 'The import stopped: ' + (event.message || 'the worker failed'));
    restartWorker();
  };
}

function restartWorker() {
  if (state.worker) state.worker.terminate();
  startWorker();
}

// The picked files, by their paths below the folder picked (its own name taken off).
// Until they are all read and described, the last project's panel is gone and Import can't
// be pressed: an import started meanwhile would take part of the new files for the old project.
async function takeFiles(list) {
  if (state.running) return;
  const pick = ++state.picks;
  $('import').disabled = true;
  show('project', false);
  show('outcome', false);
  problem('project-problem', '');
  const paths = list.map((item) => item.path.replace(/^\/+/, ''));
  const tops = new Set(paths.map((path) => (path.includes('/') ? path.split('/')[0] : '')));
  const top = tops.size === 1 ? [...tops][0] : '';
  const files = [];
  try {
    for (let i = 0; i < list.length; ++i) {
      const path = top ? paths[i].slice(top.length + 1) : paths[i];
      files.push({ path, data: await list[i].file.arrayBuffer() });
    }
  } catch (error) {
    if (pick === state.picks) problem('project-problem', 'The files picked could not be read: ' + error.message);
    return;
  }
  // A later pick, still being read, replaces this one.
  if (pick !== state.picks) return;
  state.files = files;
  const chp = state.files.find((f) => /\.chp$/i.test(f.path));
  state.name = top || (chp ? chp.path.split('/').pop().replace(/\.[^.]*$/, '') : 'project');
  state.directory = top ? top : 'the files picked';
  if (!state.outputEdited) $('output').value = 'C:\\Zuvan\\' + state.name.replace(/[<>:"|?*\\/]/g, '_');
  state.worker.postMessage({ type: 'describe', files: state.files, pick });
}

function fromInput(input) {
  const list = [...input.files].map((file) => ({ file, path: file.webkitRelativePath || file.name }));
  input.value = '';
  if (list.length) takeFiles(list);
}

// Everything below a dropped folder, with its path.
async function walk(entry, into) {
  if (entry.isFile) {
    const file = await new Promise((ok, bad) => entry.file(ok, bad));
    into.push({ file, path: entry.fullPath });
    return;
  }
  const reader = entry.createReader();
  for (;;) {
    const batch = await new Promise((ok, bad) => reader.readEntries(ok, bad));
    if (!batch.length) break;
    for (const child of batch) await walk(child, into);
  }
}

async function onDrop(event) {
  event.preventDefault();
  $('drop').classList.remove('over');
  if (state.running) return;
  const entries = [...event.dataTransfer.items].map((item) => item.webkitGetAsEntry()).filter(Boolean);
  const list = [];
  for (const entry of entries) await walk(entry, list);
  if (list.length) takeFiles(list);
}

function describeProjects(projects) {
  show('project', true);
  const list = $('project-list');
  list.replaceChildren();
  const one = projects.length === 1 ? projects[0].facts : null;
  $('project-name').textContent = one && one.valid ? one.project : '';
  $('chip-type').textContent = one && one.valid ? one.chip : '';
  $('message-count').textContent = one && one.valid ? String(one.messageCount) : '';
  $('directory').textContent = state.directory;
  $('import').disabled = projects.length === 0;
  if (projects.length === 0) {
    problem('project-problem', 'There is no CHP file among the files picked.');
  } else if (one && !one.valid) {
    problem('project-problem', one.failure + ': ' + one.reason);
  } else if (projects.length > 1) {
    $('project-name').textContent = projects.length + ' projects';
    for (const p of projects) {
      const item = document.createElement('li');
      item.textContent = p.relative + ': ' + (p.facts.valid
        ? p.facts.project + ', ' + p.facts.chip + ', ' + p.facts.messageCount + ' messages'
        : p.facts.failure + ': ' + p.facts.reason);
      list.append(item);
    }
  }
}

function hex4(n) {
  return n < 0 ? 'none' : n.toString(16).toUpperCase().padStart(4, '0');
}

function onProgress(p) {
  $('bar').max = Math.max(p.count, 1);
  $('bar').value = p.number;
  const where = p.projects > 1 ? '[' + p.project + '/' + p.projects + '] ' + p.relative + ': ' : '';
  $('status').textContent = where + 'message ' + p.number + ' of ' + p.count + ', address ' +
    hex4(p.address) + (p.wave ? ', ' + p.wave : ', not imported');
}

function startImport() {
  const folder = $('output').value.trim();
  const windows = /^[A-Za-z]:[\\/]/.test(folder);
  if (!windows && !folder.startsWith('/')) {
    problem('output-problem', 'The output folder must be a full path, such as C:\\Zuvan\\DOOR or /home/me/door.');
    return;
  }
  problem('output-problem', '');
  state.running = true;
  $('import').disabled = true;
  show('cancel', true);
  $('cancel').disabled = false;
  show('progress', true);
  show('outcome', false);
  $('status').textContent = 'Starting…';
  $('bar').value = 0;
  state.worker.postMessage({ type: 'import', files: state.files, folder, windows,
                             zuvan: $('zuvan').checked });
}

// Cancel: the worker stops after the message in progress; one that does not answer within
// seconds is ended, and the page is ready for the next import.
function cancelImport() {
  $('cancel').disabled = true;
  $('status').textContent += ' (stopping after this message)';
  state.worker.postMessage({ type: 'cancel' });
  state.stopTimer = setTimeout(() => {
    restartWorker();
    endRun();
    problem('project-problem', 'The import did not stop after its message and was ended; nothing was kept.');
  }, 5000);
}

function endRun() {
  clearTimeout(state.stopTimer);
  state.running = false;
  $('import').disabled = false;
  show('cancel', false);
  show('progress', false);
}

function resultLine(r) {
  const where = r.relative + ': ';
  if (r.status === 'invalid') return where + r.failure + (r.reason ? ': ' + r.reason : '');
  if (r.status === 'trap') return where + r.failure;
  if (r.status === 'not_started') return where + 'not imported: the import was cancelled before it';
  const done = where + r.imported + ' of ' + r.messageCount + ' messages imported at ' + r.rate + ' Hz';
  return r.status === 'aborted' ? done + ', then cancelled' : done;
}

function onImported(data) {
  endRun();
  for (const url of state.urls) URL.revokeObjectURL(url);
  state.urls = [];
  const results = data.results;
  const zipName = (results.length === 1 ? results[0].relative.split('/').pop().replace(/\.[^.]*$/, '')
                                        : state.name) + '.zip';
  const failures = $('failures');
  failures.replaceChildren();
  const add = (text) => {
    const item = document.createElement('li');
    item.textContent = text;
    failures.append(item);
  };
  for (const r of results) {
    add(resultLine(r));
    for (const m of r.messages || [])
      if (!m.imported) add('message ' + m.number + (m.voc ? ' (' + m.voc + ')' : '') + ': ' + m.failure);
    for (const note of r.notes || []) add(note);
  }
  const ok = results.every((r) => r.status === 'imported');
  $('outcome-title').textContent = data.cancelled ? 'Import cancelled'
                                  : ok ? 'Zuvan Project File Created:' : 'Imported, with problems';
  $('outcome-summary').textContent = results.length === 1 && results[0].status === 'imported'
    ? results[0].zpf || '' : '';
  const link = $('download');
  let zip = null;
  try {
    zip = data.outputs.length ? makeZip(data.outputs) : null;
  } catch (error) {
    add('No zip: ' + error.message);
  }
  if (zip) {
    const url = URL.createObjectURL(zip);
    state.urls.push(url);
    link.href = url;
    link.download = zipName;
    link.textContent = 'Download ' + zipName + ' (' + data.outputs.length + ' files)';
    show('download', true);
  } else {
    show('download', false);
  }
  showReports(data.outputs);
  show('outcome', true);
  $('outcome').dataset.milliseconds = String(Math.round(data.milliseconds));
}

function showReports(outputs) {
  const reports = outputs.filter((o) => /\.html$/i.test(o.name));
  const box = $('reports');
  box.replaceChildren();
  const frame = $('report');
  show('report', reports.length > 0);
  // The report goes in as the frame's own text: nothing is loaded, and the sandbox keeps any
  // script of a hostile project's page from running.
  // Its links and players name the WAV files beside it, which the page does not serve: they
  // are left out of the copy shown here (the page in the zip keeps them).
  const text = (o) => {
    const doc = new DOMParser().parseFromString(new TextDecoder('utf-8').decode(o.data), 'text/html');
    for (const media of doc.querySelectorAll('[src]')) media.removeAttribute('src');
    for (const link of doc.querySelectorAll('a[href]'))
      if (!link.getAttribute('href').startsWith('#')) link.removeAttribute('href');
    return '<!DOCTYPE html>\n' + doc.documentElement.outerHTML;
  };
  reports.forEach((o, i) => {
    if (i === 0) frame.srcdoc = text(o);
    if (reports.length > 1) {
      const a = document.createElement('a');
      a.href = '#';
      a.textContent = o.name;
      a.onclick = (event) => {
        event.preventDefault();
        frame.srcdoc = text(o);
      };
      box.append(a);
    }
  });
}

function onWorkerMessage(data) {
  if (data.type === 'described') {
    if (data.pick === state.picks) describeProjects(data.projects);
  }
  else if (data.type === 'progress') onProgress(data);
  else if (data.type === 'imported') onImported(data);
  else if (data.type === 'failed') {
    endRun();
    problem('project-problem', 'The import stopped: ' + data.failure);
    restartWorker();
  }
}

startWorker();
$('pick-folder').onchange = (event) => fromInput(event.target);
$('pick-files').onchange = (event) => fromInput(event.target);
$('output').oninput = () => { state.outputEdited = true; };
$('import').onclick = startImport;
$('cancel').onclick = cancelImport;
const drop = $('drop');
drop.ondragover = (event) => {
  event.preventDefault();
  drop.classList.add('over');
};
drop.ondragleave = () => drop.classList.remove('over');
drop.ondrop = onDrop;
