#!/usr/bin/env bash
# The fuzz build's rates with its files on the disk (/dev/shm) and in memory, alternately, SECONDS
# each per target, from a copy of the grown corpus: wall exec/s and executions per CPU second
# (what a loaded machine does not distort).
#   tests/fuzz/rates.sh SECONDS [TARGET...]      (from the source tree, after a fuzz build)
secs=$1; shift
targets=("$@"); [ ${#targets[@]} -gt 0 ] || targets=(chp voc converter wavepost profile import)
base=$(mktemp -d /tmp/rates.XXXX)
build/fuzz/tests/fuzz/fuzz_seeds $base/seeds >/dev/null
for t in "${targets[@]}"; do
  for side in disk memory; do
    tmp=$(mktemp -d $base/c.XXXX); cp -r build/fuzz/fuzz/corpus/$t/. $tmp/ 2>/dev/null; cp $base/seeds/$t/* $tmp/
    len=4096; [ $t = chp ] && len=512; [ $t = converter ] && len=2048; [ $t = import ] && len=8192
    dict=$t; [ $t = converter -o $t = wavepost ] && dict=riff
    if [ $side = disk ]; then d=$(mktemp -d /dev/shm/rates.XXXX); export CHPIMPORT_FUZZ_DIR=$d; else unset CHPIMPORT_FUZZ_DIR; fi
    ASAN_OPTIONS=quarantine_size_mb=16:malloc_context_size=5 nice -n 10 /usr/bin/time -f "%U %S" -o $tmp.time \
      build/fuzz/tests/fuzz/fuzz_$t -max_total_time=$secs -seed=1 -max_len=$len -dict=tests/fuzz/dict/$dict.dict \
      -print_final_stats=1 $tmp >/dev/null 2>$tmp.err
    [ $side = disk ] && rm -rf $d
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' $tmp.err)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' $tmp.err)
    read u s < $tmp.time
    printf '%-10s %-7s exec/s %7s  per CPU s %7.0f  cpu %5.1f s  load %s\n' $t $side "$rate" \
      "$(echo "$execs / ($u + $s)" | bc -l)" "$(echo "$u + $s" | bc -l)" "$(cut -d' ' -f1 /proc/loadavg)"
    rm -rf $tmp $tmp.err $tmp.time
  done
done
rm -rf $base
