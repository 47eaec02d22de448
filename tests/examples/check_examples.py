#!/usr/bin/env python3
"""The cluster examples and the service's systemd unit, read as the cluster or
systemd would read them: the YAML parses, the Indexed Job's shard count
matches its completions, the Deployment meets the "restricted" Pod Security
level and mounts a token the service accepts, the array script is valid
shell, the image is made from the Debian package, and the unit verifies.

  check_examples.py [ORVANTA_CLI]   (the program the unit is verified with)"""
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

import yaml

examples = pathlib.Path(__file__).resolve().parents[2] / "examples"
problems = []


def check(condition, what):
    if not condition:
        problems.append(what)


def body(obj):
    """An object's desired state: its one key beside its type, metadata and status."""
    (key,) = obj.keys() - {"apiVersion", "kind", "metadata", "status"}
    return obj[key]


job = yaml.safe_load((examples / "kubernetes/convert-indexed-job.yaml").read_text())
job_body = body(job)
check(job["apiVersion"] == "batch/v1" and job["kind"] == "Job", "not a batch/v1 Job")
check(job_body["completionMode"] == "Indexed", "completionMode is not Indexed")
check(job_body["parallelism"] <= job_body["completions"], "parallelism above completions")
check(body(job_body["template"])["restartPolicy"] == "Never", "backoffLimitPerIndex needs restartPolicy Never")
check("backoffLimitPerIndex" in job_body, "no backoffLimitPerIndex")
container = body(job_body["template"])["containers"][0]
command = " ".join(container["command"] + container["args"])
shard = re.search(r"--shard auto/(\d+)", command)
check(shard and int(shard.group(1)) == job_body["completions"], "--shard auto/N differs from completions")
check("$JOB_COMPLETION_INDEX" in command, "the report is not per index")
mounts = {m["name"] for m in container["volumeMounts"]}
volumes = {v["name"] for v in body(job_body["template"])["volumes"]}
check(mounts == volumes, f"mounts {mounts} and volumes {volumes} differ")
for rule in job_body.get("podFailurePolicy", {}).get("rules", []):
    codes = rule.get("onExitCodes")
    check(not codes or codes.get("containerName") == container["name"], "podFailurePolicy names another container")
check("--null" in command, "the list is not read as find -print0 makes it")
check(body(job_body["template"])["securityContext"].get("fsGroup"), "no fsGroup: the output volume may be unwritable")


def index_fate(status):
    """What the Job does with an index whose container ends with `status`:
    the container's own mapping (1 is a slice gone through), then the
    podFailurePolicy's first matching rule, else a retry."""
    shell = subprocess.run(["sh", "-c", container["args"][0].replace("orvanta-cli convert", f"sh -c 'exit {status}'",
                                                                         1), "sh"],
                           capture_output=True, text=True, timeout=30)
    code = shell.returncode
    if code == 0:
        return "done"
    for rule in job_body["podFailurePolicy"]["rules"]:
        codes = rule.get("onExitCodes")
        if codes and codes["operator"] == "In" and code in codes["values"]:
            return {"FailIndex": "fail", "Ignore": "retry", "Count": "retry", "FailJob": "fail"}[rule["action"]]
    return "retry"


for status, fate in ((0, "done"), (1, "done"), (2, "fail"), (75, "retry"), (143, "retry")):
    check(index_fate(status) == fate, f"exit status {status} should leave the index {fate}, not {index_fate(status)}")

documents = list(yaml.safe_load_all((examples / "kubernetes/serve-deployment.yaml").read_text()))
kinds = {document["kind"]: document for document in documents}
check(set(kinds) == {"Deployment", "Service", "HorizontalPodAutoscaler"}, f"serve-deployment.yaml holds {set(kinds)}")
pod = body(kinds["Deployment"])["template"]
check(body(kinds["Deployment"])["selector"]["matchLabels"].items() <= pod["metadata"]["labels"].items(),
      "the Deployment's selector does not match its pods")
check(body(kinds["Service"])["selector"].items() <= pod["metadata"]["labels"].items(),
      "the Service does not select the pods")
serve = body(pod)["containers"][0]
serve_args = " ".join(serve["args"])
check(serve["readinessProbe"]["httpGet"]["path"] == "/health/ready", "readiness does not ask /health/ready")
check(serve["livenessProbe"]["httpGet"]["path"] == "/health/live", "liveness does not ask /health/live")
check("--token-file=" in serve_args and "0.0.0.0" in serve_args, "beyond loopback without a token")
token_mount = next(m for m in serve["volumeMounts"] if m["name"] == "token")
check(serve_args.split("--token-file=")[1].split()[0].startswith(token_mount["mountPath"] + "/"),
      "the token file is not on the token's volume")
# The token as the kubelet writes it: root's, the pod's fsGroup as its group
# (which also joins the container's groups), group-readable. serve takes a
# token that others cannot read and its group cannot write, and reads it here
# through its group.
token_volume = next(v for v in body(pod)["volumes"] if v["name"] == "token")
pod_security = body(pod)["securityContext"]
mode = token_volume["secret"]["defaultMode"] | (0o040 if "fsGroup" in pod_security else 0)
check(mode & 0o027 == 0, f"the token's mode {mode:o} lets others read it: serve refuses it")
check(mode & 0o040 and "fsGroup" in pod_security, "the token is root's and not readable by the service's group")

# The "restricted" Pod Security level.
container_security = serve.get("securityContext", {})
check(pod_security.get("runAsNonRoot") is True and pod_security.get("runAsUser", 0) != 0, "the pod may run as root")
check(pod_security.get("seccompProfile", {}).get("type") in ("RuntimeDefault", "Localhost"), "no seccomp profile")
check(container_security.get("allowPrivilegeEscalation") is False, "privilege escalation is allowed")
check(container_security.get("capabilities", {}).get("drop") == ["ALL"], "capabilities are not all dropped")
check(all(set(v) & {"secret", "emptyDir", "configMap", "projected", "persistentVolumeClaim"}
          for v in body(pod)["volumes"]), "a volume type the restricted level forbids")
for volume in body(pod)["volumes"]:
    if "emptyDir" in volume:
        check("sizeLimit" in volume["emptyDir"], f"the {volume['name']} volume has no sizeLimit")
check("ephemeral-storage" in serve["resources"]["limits"], "no ephemeral-storage limit")
check(body(kinds["HorizontalPodAutoscaler"])["scaleTargetRef"]["name"] == kinds["Deployment"]["metadata"]["name"],
      "the autoscaler scales another Deployment")

containerfile = (examples / "kubernetes/Containerfile").read_text()
check(containerfile.startswith("#") and "\nFROM debian:12\n" in containerfile, "the image is not FROM debian:12")
check("LANG=C.UTF-8" in containerfile, "the image sets no UTF-8 locale")
check(re.search(r"apt-get install [^\n]*orvanta_\*\.deb", containerfile), "the package is not installed")

script = examples / "slurm/convert-array.sbatch"
syntax = subprocess.run(["bash", "-n", str(script)], capture_output=True, text=True)
check(syntax.returncode == 0, f"convert-array.sbatch: {syntax.stderr}")
text = script.read_text()
check('--shard "auto/$shards"' in text and "#SBATCH --array=" in text, "the array script takes no auto/N shard")
check("${NULL:-0}" in text and "--null" in text, "the array script cannot read a find -print0 list")
check("$output/reports" not in text, "the reports go into the published output folder")

# The systemd unit: the directives a restart and a hostile client need, and
# systemd's own verification when it is on the machine.
unit_path = pathlib.Path(__file__).resolve().parents[2] / "debian/orvanta.orvanta-serve.service"
unit = {}
for line in unit_path.read_text().splitlines():
    if "=" in line and not line.startswith("#"):
        key, value = line.split("=", 1)
        unit.setdefault(key, []).append(value)
for key, expected in (("KillMode", "mixed"), ("Type", "notify"), ("ProtectSystem", "strict"), ("PrivateTmp", "yes"),
                      ("NoNewPrivileges", "yes")):
    check(unit.get(key) == [expected], f"the unit's {key} is not {expected}")
for key in ("MemoryMax", "TasksMax", "WatchdogSec"):
    check(key in unit, f"the unit has no {key}")
check(int(unit.get("TimeoutStopSec", ["0"])[0]) > 300, "TimeoutStopSec is not above the longest conversion")
analyze = shutil.which("systemd-analyze")
if analyze and len(sys.argv) > 1:
    with tempfile.TemporaryDirectory() as folder:
        copy = pathlib.Path(folder) / "orvanta-serve.service"
        copy.write_text(unit_path.read_text().replace("/usr/bin/orvanta-cli", sys.argv[1]))
        verified = subprocess.run([analyze, "verify", "--man=no", str(copy)], capture_output=True, text=True)
        check(verified.returncode == 0 and not verified.stderr.strip(), f"systemd-analyze verify: {verified.stderr}")

for problem in problems:
    print("examples:", problem)
if not problems:
    print("examples: all checks hold")
sys.exit(1 if problems else 0)
